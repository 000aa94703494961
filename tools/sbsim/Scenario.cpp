#include "Scenario.h"

#include "ServicePaths.h"
#include "SimText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> readText(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(path, file.errorString());
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

bool loadCatalogue(const QString& path, const QDateTime& now, Scenario& scenario, QString* error)
{
    const auto text = readText(path, error);
    if (!text)
        return false;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(SimText::expandDateTokens(*text, now).toUtf8(), &parseError);
    if (doc.isNull()) {
        *error = u"%1: %2 at offset %3"_s.arg(path, parseError.errorString()).arg(parseError.offset);
        return false;
    }
    const QJsonObject hotels = doc.object().value(u"hotels"_s).toObject();
    for (auto it = hotels.begin(); it != hotels.end(); ++it) {
        const QJsonObject hotel = it.value().toObject();
        SimCatalogue catalogue;
        for (const QJsonValue room : hotel.value(u"rooms"_s).toArray()) {
            const QJsonObject o = room.toObject();
            SimRoomType type{o.value(u"code"_s).toString(), o.value(u"name"_s).toString(), {}};
            const QJsonObject attributes = o.value(u"attributes"_s).toObject();
            for (auto a = attributes.begin(); a != attributes.end(); ++a)
                type.attributes.append({a.key(), a.value().toVariant().toString()});
            catalogue.rooms.append(type);
        }
        for (const QJsonValue plan : hotel.value(u"ratePlans"_s).toArray()) {
            const QJsonObject o = plan.toObject();
            catalogue.ratePlans.append({o.value(u"code"_s).toString(), o.value(u"name"_s).toString()});
        }
        scenario.hotels.insert(it.key(), catalogue);
    }
    return true;
}

bool loadPending(const QString& dir, const QDateTime& now, QList<SimPending>& into, QString* error)
{
    const QDir folder(dir);
    if (!folder.exists())
        return true;
    const QStringList names = folder.entryList({u"*.xml"_s}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const auto text = readText(folder.filePath(name), error);
        if (!text)
            return false;
        into.append(Scenario::pendingFrom(*text, now, folder.filePath(name)));
    }
    return true;
}

} // namespace

SimPending Scenario::pendingFrom(const QString& text, const QDateTime& now, const QString& source)
{
    static const QRegularExpression directive(u"<!--\\s*sbsim:\\s*from-download\\s*=\\s*(\\d+)\\s*-->\\s*"_s);
    SimPending pending;
    pending.source = source;
    QString fragment = SimText::expandDateTokens(text, now);
    const QRegularExpressionMatch m = directive.match(fragment);
    if (m.hasMatch()) {
        pending.fromDownload = qMax(1, m.captured(1).toInt());
        fragment.remove(m.capturedStart(), m.capturedLength());
    }
    pending.fragment = fragment.trimmed();
    pending.id = SimText::attributeValue(pending.fragment, u"ResID_Value"_s);
    return pending;
}

const SimCatalogue* Scenario::catalogueFor(const QString& hotelCode) const
{
    auto it = hotels.constFind(hotelCode);
    if (it == hotels.cend())
        it = hotels.constFind(u"*"_s);
    return it == hotels.cend() ? nullptr : &it.value();
}

std::optional<Scenario> Scenario::load(const QString& dir, const QDateTime& now, QString* error)
{
    Scenario scenario;
    const QDir root(dir);
    if (!root.exists()) {
        *error = u"scenario directory %1 does not exist"_s.arg(dir);
        return std::nullopt;
    }
    if (root.exists(u"catalogue.json"_s) && !loadCatalogue(root.filePath(u"catalogue.json"_s), now, scenario, error))
        return std::nullopt;
    if (!loadPending(root.filePath(u"new"_s), now, scenario.reservations, error) ||
        !loadPending(root.filePath(u"canc"_s), now, scenario.cancellations, error))
        return std::nullopt;

    const QDir answers(root.filePath(u"answers"_s));
    for (const QString& name : answers.entryList({u"*.xml"_s}, QDir::Files, QDir::Name)) {
        const QString path = ServicePaths::pathForName(QFileInfo(name).completeBaseName());
        if (path.isEmpty()) {
            *error = u"%1: no service address is called %2"_s.arg(answers.filePath(name),
                                                                  QFileInfo(name).completeBaseName());
            return std::nullopt;
        }
        const auto text = readText(answers.filePath(name), error);
        if (!text)
            return std::nullopt;
        scenario.rawAnswers.insert(path, SimText::expandDateTokens(*text, now).toUtf8());
    }
    return scenario;
}

#include "store/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return TextFile::writeError(path, file.errorString(), bytes.size());
    if (file.write(bytes) != bytes.size())
        return TextFile::writeError(path, file.errorString(), bytes.size());
    file.setPermissions(TextFile::PermessiFile);
    if (!file.commit())
        return TextFile::writeError(path, file.errorString(), bytes.size());
    return {};
}

} // namespace

namespace TextFile {

QString resolve(const QDir& dir, const QString& name)
{
    if (QFileInfo::exists(dir.filePath(name)))
        return name;
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return name;
}

QByteArray toCp1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            // The five unassigned bytes stand for the control characters of their own value.
            if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i)) {
                byte = char(0x80 + i);
                break;
            }
        }
        out.append(byte);
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
            out.append(QChar(kHigh[b - 0x80])); // an unassigned byte keeps its own value below
        else
            out.append(QChar(char16_t(b)));
    }
    return out;
}

std::optional<QString> readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromCp1252(file.readAll());
}

std::optional<QStringList> readLines(const QString& path)
{
    auto text = readAll(path);
    if (!text)
        return std::nullopt;
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text->size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text->at(end) != u'\r' && text->at(end) != u'\n')
            ++end;
        lines.append(text->mid(start, end - start));
        if (end < n && text->at(end) == u'\r')
            ++end;
        if (end < n && text->at(end) == u'\n')
            ++end;
        start = end;
    }
    return lines;
}

QString writeLines(const QString& path, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return writeBytes(path, toCp1252(text));
}

QString writeText(const QString& path, const QString& text)
{
    return writeBytes(path, toCp1252(text + QStringLiteral("\r\n")));
}

// Room a write needs beyond its own bytes (the temporary file, the directory entry).
constexpr qint64 kMinimoLibero = 64 * 1024;

bool soloProprietarioEGruppo(const QString& path)
{
    return QFile::setPermissions(path, QFileInfo(path).isDir() ? PermessiCartella : PermessiFile);
}

bool togliAltri(const QString& path)
{
    const QFileDevice::Permissions altri = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions p = QFile::permissions(path);
    return !(p & altri) || QFile::setPermissions(path, p & ~altri);
}

std::optional<QString> discoPieno(const QString& dir, qint64 bytes, bool certo)
{
    const QStorageInfo disco(dir);
    if (!disco.isValid() || disco.bytesAvailable() < 0 || (!certo && disco.bytesAvailable() >= bytes + kMinimoLibero))
        return std::nullopt;
    return u"il disco di "_s + dir + u" è pieno ("_s + QString::number(disco.bytesAvailable()) + u" byte liberi)"_s;
}

QString writeError(const QString& path, const QString& error, qint64 bytes)
{
    // A full disk often comes back as "Unknown error": the free space tells.
    if (const auto pieno = discoPieno(QFileInfo(path).absolutePath(), bytes, false))
        return *pieno + u": "_s + QFileInfo(path).fileName() + u" non è stato scritto"_s;
    return error;
}

} // namespace TextFile

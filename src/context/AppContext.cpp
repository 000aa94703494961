#include "context/AppContext.h"

#include "store/SchemaBootstrap.h"
#include "store/TextFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

AppContext::AppContext(const QString& workDir, const Clock& clock, OperatorPort& op)
    : baseUrl(QString::fromUtf16(DefaultBaseUrl)), m_workDir(QFileInfo(workDir).absoluteFilePath()), m_clock(clock),
      m_avvisi(op, clock)
{
    const QString fromEnv = qEnvironmentVariable("SB_BASE_URL");
    if (!fromEnv.isEmpty())
        baseUrl = fromEnv.endsWith(u'/') ? fromEnv.chopped(1) : fromEnv;
    if (QCoreApplication::instance())
        definizioniProgramma = percorsoDefinizioniProgramma(QCoreApplication::applicationDirPath());
}

QString AppContext::path(const QString& name) const
{
    QString rel = name;
    rel.replace(u'\\', u'/');
    const qsizetype slash = rel.lastIndexOf(u'/');
    if (slash < 0)
        return m_workDir.filePath(TextFile::resolve(m_workDir, rel));
    QString folder = rel.left(slash);
    if (folder.compare(QString::fromUtf16(ExchangeFolder), Qt::CaseInsensitive) == 0)
        folder = QString::fromUtf16(ExchangeFolder);
    const QDir sub(m_workDir.filePath(TextFile::resolve(m_workDir, folder)));
    return sub.filePath(TextFile::resolve(sub, rel.mid(slash + 1)));
}

QString AppContext::exchangeDir() const
{
    const QString dir = path(QString::fromUtf16(ExchangeFolder));
    if (QFileInfo(dir).isDir())
        return dir;
    if (!m_workDir.mkpath(dir))
        return {};
    TextFile::soloProprietarioEGruppo(dir);
    return dir;
}

QString AppContext::caption() const
{
    return u"Interfaccia QV <--> SimpleBooking (modalita "_s + settings.Modalita + u" '"_s + settings.nomeModalita() +
           u"')"_s;
}

// The whole reservation download of a busy day: the simulator on 127.0.0.1 serves N pending reservations
// (1 to 3 room stays of 1 to 14 nights each), the bridge downloads them, stores every row and price day
// and confirms each one. Reports the time, the answer's size and the process's peak memory.

#include "import/ImportAnswers.h"

#include "context/AppContext.h"
#include "import/ReservationImporter.h"
#include "service/ServiceClient.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/SchemaBootstrap.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// Nobody at the desk: questions take their unattended answer, messages are counted.
class SilentOperator final : public OperatorPort
{
public:
    Answer messageBox(const Message& m) override
    {
        ++shown;
        return m.buttons == Buttons::YesNo ? m.whenUnattended.value_or(m.defaultButton) : Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void setRequestText(const QString&) override {}
    void setAnswerText(const QString&) override {}
    void setCaption(const QString&) override {}
    int shown = 0;
};

size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

// sbsim with a scenario of pending reservations, for one measured download.
class Simulator
{
public:
    explicit Simulator(const QString& scenario)
    {
        m_process.start(QString::fromUtf8(SB_SBSIM_PATH), {u"--port"_s, u"0"_s, u"--scenario"_s, scenario});
        if (!m_process.waitForStarted(15000))
            throw std::runtime_error("sbsim does not start");
        QByteArray out;
        while (!out.contains('\n')) {
            if (!m_process.waitForReadyRead(30000))
                throw std::runtime_error("sbsim gives no port");
            out += m_process.readAllStandardOutput();
        }
        m_port = out.mid(5, out.indexOf('\n') - 5).trimmed().toInt();
    }
    ~Simulator()
    {
        m_process.closeWriteChannel(); // sbsim ends when its standard input closes
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString baseUrl() const { return u"http://127.0.0.1:%1"_s.arg(m_port); }
    QJsonObject state() const
    {
        const QByteArray url = (baseUrl() + u"/_sim/state"_s).toUtf8();
        QByteArray answer;
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        return QJsonDocument::fromJson(answer).object();
    }

private:
    QProcess m_process;
    int m_port = 0;
};

qint64 peakMemoryKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void BM_ImportReservations(benchmark::State& state)
{
    const int count = int(state.range(0));
    QTemporaryDir scenario;
    QDir(scenario.path()).mkdir(u"new"_s);
    qint64 answerBytes = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray fragment = ImportAnswers::fragment(ImportAnswers::generated(i)).toUtf8();
        answerBytes += fragment.size();
        writeFile(scenario.filePath(u"new/%1.xml"_s.arg(i, 5, 10, QChar(u'0'))), fragment);
    }

    for (auto _ : state) {
        QTemporaryDir work;
        QFile::copy(QString::fromUtf8(SB_DBT_PATH), QDir(work.path()).filePath(u"SBOOK.DBT"_s));
        CreaStrutture(QDir(work.path()), QDir(work.path()).filePath(u"SBOOK.DBT"_s));
        {
            Database db(QDir(work.path()), u"SimpleBooking.mdb"_s);
            Recordset rooms = db.OpenRecordset(u"Rooms"_s);
            for (const QString& code : ImportAnswers::generatedRoomTypes()) {
                rooms.AddNew();
                rooms.setField(u"NumeroHotel"_s, 1);
                rooms.setField(u"HotelId"_s, u"1234"_s);
                rooms.setField(u"RoomsId"_s, code);
                rooms.setField(u"RoomsLevel"_s, 1);
                rooms.setField(u"DesRooms"_s, u"Tipo "_s + code);
                rooms.setField(u"QVRooms"_s, u" "_s);
                rooms.Update();
            }
        }
        Simulator sim(scenario.path());
        SystemClock clock;
        SilentOperator op;
        AppContext ctx(work.path(), clock, op);
        ctx.baseUrl = sim.baseUrl();
        ctx.settings.HostName = sim.baseUrl() + u"/reservations"_s;
        ctx.settings.CodiceHotel = u"1234"_s;

        QElapsedTimer timer;
        timer.start();
        {
            ServiceClient client(ctx);
            const auto risposte = client.ScaricaPrenotazioni();
            if (!risposte) {
                state.SkipWithError("the download failed");
                return;
            }
            ReservationImporter importer(ctx, client);
            importer.LeggiPrenotazioni(risposte->nuove);
            importer.LeggiCancellazioni(risposte->cancellazioni);
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        state.counters["ms_per_reservation"] = seconds * 1000.0 / count;

        const QJsonObject simState = sim.state();
        Database db(QDir(work.path()), u"SimpleBooking.mdb"_s);
        if (db.OpenRecordset(u"Reservations"_s).RecordCount() != count ||
            simState.value(u"confirmed"_s).toArray().size() != count ||
            !simState.value(u"pendingNew"_s).toArray().isEmpty()) {
            state.SkipWithError("not every reservation was stored and confirmed");
            return;
        }
        state.counters["price_rows"] = double(db.OpenRecordset(u"ReservationsPrice"_s).RecordCount());
    }
    state.counters["answer_MB"] = double(answerBytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = double(peakMemoryKb()) / 1024.0;
    state.counters["reservations"] = count;
}

} // namespace

BENCHMARK(BM_ImportReservations)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A prepared availability file (WBValuesRooms*.txt) through the reader the send uses.

#include "FuzzSupport.h"

#include "service/FileDisponibilita.h"
#include "store/TextFile.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    const QString path = s.dir().filePath(u"WBValuesRooms1.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes(data, size));
    file.close();
    const auto lines = TextFile::readLines(path);
    if (!lines)
        return 0;
    const FileDisponibilita read = FileDisponibilita::leggi(*lines);
    if (!read.errore.isEmpty())
        return 0;
    // A file that reads is what the service may be sent: a date, codes, whole numbers 0 to 9999.
    richiede(read.camere.isEmpty() || read.inizio.isValid(), "a file with rooms has its period");
    for (const FileDisponibilita::Camera& c : read.camere) {
        richiede(!c.codice.isEmpty() && c.codice == c.codice.trimmed(), "room codes are trimmed and present");
        for (const QString& v : c.avail) {
            bool ok = true;
            const int n = v.isEmpty() ? 0 : v.toInt(&ok);
            richiede(ok && n >= 0 && n <= 9999 && (v.isEmpty() || v == QString::number(n)), "values 0 to 9999");
        }
    }
    return 0;
}

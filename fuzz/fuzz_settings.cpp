// The settings file SBookParam.txt, as start-up, every activation and the parameters window read it.

#include "FuzzSupport.h"

#include "context/Settings.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    QFile file(s.dir().filePath(u"SBookParam.txt"_s));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes(data, size));
    file.close();
    Settings settings;
    richiede(settings.load(s.dir().path()), "an existing file is read");
    richiede(settings.Modalita == u"1" || settings.Modalita == u"2", "the mode is 1 or 2");
    Settings::erroreCodiceHotel(settings.CodiceHotel);
    const ParametriForm form = ParametriForm::fromFile(s.dir().path());
    // What the window shows, registered unchanged, reads back as the same settings.
    Settings again;
    if (form.registra(s.dir().path(), again, s.op)) {
        Settings reread;
        reread.load(s.dir().path());
        richiede(reread.CodiceHotel == again.CodiceHotel && reread.HostName == again.HostName,
                 "registered settings read back the same");
    }
    return 0;
}

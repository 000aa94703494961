#pragma once

#include <memory>

class AppContext;
class ControlloCamere;
class Database;

// The files a run of reservations works on, each opened when first needed and kept open until the
// run ends: a review of two thousand reservations opens and attaches them once, not once each.
// Nothing is held between two calls: the connections stay open, the files stay free for QV and the
// other workstations, and every read sees the rows as they are then.
class FileAperti
{
public:
    explicit FileAperti(AppContext& ctx);
    ~FileAperti();
    FileAperti(const FileAperti&) = delete;
    FileAperti& operator=(const FileAperti&) = delete;

    // The interface database.
    Database& interfaccia();
    // The same connection with every other file of the writer's unit of work attached (see
    // ScritturaPrenotazione::fileUnitaDiLavoro). Called outside a transaction the first time.
    Database& lavoro();
    // QV's rooms (NumeriCamere.mdb).
    Database& numeri();
    // The conflict check of QV's rooms.
    ControlloCamere& controllo();

private:
    AppContext& m_ctx;
    std::unique_ptr<Database> m_interfaccia;
    bool m_collegati = false;
    std::unique_ptr<Database> m_numeri;
    std::unique_ptr<ControlloCamere> m_controllo;
};

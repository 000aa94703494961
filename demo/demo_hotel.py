#!/usr/bin/env python3
"""The demo hotel of the bridge.

Usage: demo/demo_hotel.py seed DIR    fill a working directory with a small hotel
       demo/demo_hotel.py show DIR    print the web reservations stored there and the QV bookings

For "seed", DIR must be a working directory in which the bridge has already started once (so its
databases exist) and downloaded the simulator's room types and rate plans ("getRooms" and
"getRates"). Seeding adds QV's side: room types and rooms, arrangements and charge items, the
booking counter, a few existing bookings counted in the room rack and the per-type counters, and
binds the service's room types and rate plans to QV's codes. Dates run from today, like the
simulator's reservations. demo/prepare-demo-hotel does all of it.
"""

import sqlite3
import sys
from datetime import date, timedelta
from pathlib import Path

HOTEL = 1

# Sigla, Descrizione, Tipologia, rooms (number, beds, attributes)
ROOM_TYPES = [
    ("SIN", "Camera singola", "C", [("101", 1, "VISTA GIARDINO"), ("102", 1, " "), ("103", 1, " ")]),
    ("DOP", "Camera doppia", "C", [("201", 2, "BALCONE"), ("202", 2, " "), ("203", 2, " "), ("204", 2, " "),
                                   ("205", 2, "VISTA MARE")]),
    ("TRI", "Camera tripla", "C", [("301", 3, " "), ("302", 3, "VISTA MARE")]),
    ("SUI", "Suite con terrazza", "C", [("401", 4, "TERRAZZA")]),
    ("SAL", "Sala riunioni", "A", [("SR1", 0, " ")]),
]

# Service room type -> QV room type
ROOM_MAP = {"SGL": "SIN", "DBL": "DOP", "TRP": "TRI", "SUITE": "SUI"}

ARRANGEMENTS = [("PN", "Pernottamento"), ("BB", "Pernottamento e colazione"), ("MP", "Mezza pensione"),
                ("PC", "Pensione completa")]

# Reparto, Codice, Descrizione
CHARGE_ITEMS = [("ARR", 10, "Pernottamento"), ("ARR", 11, "Camera e colazione"), ("ARR", 12, "Mezza pensione"),
                ("ARR", 13, "Pensione completa"), ("BAR", 50, "Bar"), ("EXT", 60, "Parcheggio")]

# Service rate plan -> (QV arrangement, charge item)
RATE_MAP = {"RO": ("PN", 10), "BB": ("BB", 11), "HB": ("MP", 12)}

LAST_BOOKING_NUMBER = 1246

# Existing QV bookings: number, guest, room type, room, arrival offset, nights, persons, arrangement, price
BOOKINGS = [
    (1247, "ROSSI ANNA", "DOP", "202", 7, 2, 2, "BB", 95.0),
    (1248, "VERDI LUCA", "SIN", "101", 1, 3, 1, "PN", 70.0),
    (1249, "CONTI PAOLA", "SUI", "401", 14, 2, 2, "MP", 240.0),
    (1250, "GALLI MARCO", "DOP", "205", 0, 5, 2, "BB", 105.0),
]

# Colours of the room rack: class, red, green, blue
COLOURS = [("CONFE", 0, 160, 0), ("ATCAP", 255, 160, 0), ("OPZIO", 0, 128, 255), ("ALLOT", 160, 0, 160)]


def ymd(d):
    return d.strftime("%Y%m%d")


def database(workdir, name):
    """The file the bridge made for a database name: compared without regard to case."""
    for entry in workdir.iterdir():
        if entry.name.lower() == name.lower():
            return sqlite3.connect(entry)
    raise SystemExit(f"demo_hotel: {name} is missing in {workdir}: start the bridge there once first")


def slot_set(field, day, width, value):
    start = (day - 1) * width
    value = value[:width].ljust(width)
    return field[:start] + value + field[start + width:]


def counter(n):
    return str(n).rjust(5)


def seed_qv(workdir):
    with database(workdir, "TipiCamere.mdb") as db:
        db.execute("DELETE FROM TipiCamere")
        for sigla, descr, kind, rooms in ROOM_TYPES:
            db.execute("INSERT INTO TipiCamere (NumeroHotel, Sigla, Descrizione, Tipologia, Quantita) "
                       "VALUES (?, ?, ?, ?, ?)", (HOTEL, sigla, descr, kind, len(rooms)))
    with database(workdir, "NumeriCamere.mdb") as db:
        db.execute("DELETE FROM NumeriCamere")
        for sigla, _, _, rooms in ROOM_TYPES:
            for number, beds, attrs in rooms:
                db.execute("INSERT INTO NumeriCamere (NumeroHotel, NumeroCamera, TipoCamera, PostiLetto, Attributi) "
                           "VALUES (?, ?, ?, ?, ?)", (HOTEL, number, sigla, beds, attrs))
    with database(workdir, "Arrangiamenti.mdb") as db:
        db.execute("DELETE FROM NomiArrangiamenti")
        db.executemany("INSERT INTO NomiArrangiamenti (NumeroHotel, Sigla, Descrizione) VALUES (?, ?, ?)",
                       [(HOTEL, s, d) for s, d in ARRANGEMENTS])
    with database(workdir, "VociFattura.mdb") as db:
        db.execute("DELETE FROM VociFattura")
        db.executemany("INSERT INTO VociFattura (NumeroHotel, Reparto, Codice, Descrizione) VALUES (?, ?, ?, ?)",
                       [(HOTEL, r, c, d) for r, c, d in CHARGE_ITEMS])
    with database(workdir, "Colori.mdb") as db:
        db.execute("DELETE FROM Colori")
        db.executemany("INSERT INTO Colori (Tipo, Utente, Codice, Rosso, Verde, Blu) VALUES (?, ' ', 0, ?, ?, ?)",
                       COLOURS)
    with database(workdir, "Contatori.mdb") as db:
        db.execute("DELETE FROM Contatori")
        last = max([LAST_BOOKING_NUMBER] + [b[0] for b in BOOKINGS])
        db.execute("INSERT INTO Contatori (NumeroHotel, PrenotazioniHotel) VALUES (?, ?)", (HOTEL, last))


def seed_bookings(workdir):
    today = date.today()
    quantities = {sigla: len(rooms) for sigla, _, kind, rooms in ROOM_TYPES if kind == "C"}
    sheets = database(workdir, "Scheda_Prenotazione.mdb")
    rooms = database(workdir, "Camere_Prenotazione.mdb")
    guests = database(workdir, "ListaClienti_Prenotazione.mdb")
    counts = database(workdir, "Disponibilita.mdb")
    for db, table in ((sheets, "Scheda_Prenotazione"), (rooms, "Camere_Prenotazione"),
                      (guests, "ListaClienti_Prenotazione"), (counts, "Monitor"), (counts, "DisponibilitàTipi")):
        db.execute(f'DELETE FROM "{table}"')

    monitor = {}   # AMC -> [Uso, Codice, Cliente, Red, Green, Blue]
    per_type = {}  # AMT -> [Libere, Occupate, Confermate, Opzionate, Allotment]
    red, green, blue = COLOURS[0][1:]
    for number, guest, sigla, room, offset, nights, persons, arrangement, price in BOOKINGS:
        arrival = today + timedelta(days=offset)
        departure = arrival + timedelta(days=nights)
        sheets.execute(
            "INSERT INTO Scheda_Prenotazione (NumeroHotel, IdUser, NumeroPrenotazione, DataRegistrazione, "
            "DataModifica, OraRegistrazione, Operatore, NomeCliente, CodiceCliente, Ditta, CodiceDitta, Agenzia, "
            "CodiceAgenzia, Indirizzo, CAP, Località, Provincia, Telefono, EMail, Trattamento, Prezzo, "
            "NumeroPersone, OraArrivo, TipoPrenotazione, Commento, NVoucher, Stato, Nazione, TipoCliente, "
            "Pagamento, ContoExtra) VALUES (?, 'QV', ?, ?, ?, '0900', 'RECEPTION', ?, 0, ' ', 0, ' ', 0, ' ', ' ', "
            "' ', ' ', ' ', ' ', ?, ?, ?, '18', 'C', ' ', ' ', 'IT', 'IT', ' ', ' ', 1)",
            (HOTEL, number, ymd(today), ymd(today), guest, arrangement, price * nights, persons))
        rooms.execute(
            "INSERT INTO Camere_Prenotazione (NumeroHotel, NumeroPrenotazione, DataRegistrazione, DataModifica, "
            "OraRegistrazione, TipoPrenotazione, DataArrivo, DataPartenza, TipoCamera, NumeroCamera, "
            "QuantitàCamere, Trattamento, NumeroPersone, GiorniTariffa, Note, Prezzo, Totale, CodiceAllotment, "
            "OffertaS, Food, Beverage) VALUES (?, ?, ?, ?, '0900', 'C', ?, ?, ?, ?, 1, ?, ?, 1, ' ', ?, ?, 0, ' ', "
            "1, 1)",
            (HOTEL, number, ymd(today), ymd(today), ymd(arrival), ymd(departure), sigla, room, arrangement, persons,
             price, price))
        guests.execute("INSERT INTO ListaClienti_Prenotazione (NumeroHotel, NumeroPrenotazione, NumeroCamera, "
                       "NomeCliente) VALUES (?, ?, ?, ?)", (HOTEL, number, room, guest))

        # The rack and the per-type counters, as QV counts a confirmed booking.
        label = guest + " "
        code = str(number).ljust(5)
        night = arrival
        while night < departure:
            amc = f"{night:%Y%m}{room}"
            row = monitor.setdefault(amc, [" " * 31, " " * 155, " " * 93, " " * 93, " " * 93, " " * 93])
            d = night.day
            if not label.strip():
                label = guest + "  "
            piece, label = label[:3], label[3:]
            row[0] = slot_set(row[0], d, 1, "C")
            row[1] = slot_set(row[1], d, 5, code)
            row[2] = slot_set(row[2], d, 3, piece)
            row[3] = slot_set(row[3], d, 3, f"{red:03d}")
            row[4] = slot_set(row[4], d, 3, f"{green:03d}")
            row[5] = slot_set(row[5], d, 3, f"{blue:03d}")

            amt = f"{night:%Y%m}{sigla}"
            counters = per_type.setdefault(amt, [counter(quantities[sigla]) * 31] + [counter(0) * 31] * 4)
            free = int(counters[0][(d - 1) * 5:d * 5])
            confirmed = int(counters[2][(d - 1) * 5:d * 5])
            counters[0] = slot_set(counters[0], d, 5, counter(free - 1))
            counters[2] = slot_set(counters[2], d, 5, counter(confirmed + 1))
            night += timedelta(days=1)

    for amc, (uso, codice, cliente, r, g, b) in monitor.items():
        room = amc[6:]
        counts.execute("INSERT INTO Monitor (NumeroHotel, AMC, NumeroCamera, Uso, Codice, Cliente, Red, Green, Blue) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", (HOTEL, amc, room, uso, codice, cliente, r, g, b))
    for amt, (libere, occupate, confermate, opzionate, allotment) in per_type.items():
        counts.execute('INSERT INTO "DisponibilitàTipi" (NumeroHotel, AMT, Libere, Occupate, Confermate, Opzionate, '
                       'Allotment) VALUES (?, ?, ?, ?, ?, ?, ?)',
                       (HOTEL, amt, libere, occupate, confermate, opzionate, allotment))
    for db in (sheets, rooms, guests, counts):
        db.commit()
        db.close()


def map_catalogue(workdir):
    with database(workdir, "SimpleBooking.mdb") as db:
        rooms = db.execute("SELECT COUNT(*) FROM Rooms").fetchone()[0]
        rates = db.execute("SELECT COUNT(*) FROM Rates").fetchone()[0]
        if not rooms or not rates:
            raise SystemExit("demo_hotel: run getRooms and getRates against the simulator first")
        for service, qv in ROOM_MAP.items():
            db.execute("UPDATE Rooms SET QVRooms = ? WHERE RoomsId = ?", (qv, service))
        for service, (arrangement, item) in RATE_MAP.items():
            db.execute("UPDATE Rates SET QVRates = ?, RateCode = ? WHERE RatesId = ?", (arrangement, item, service))


def show(workdir):
    with database(workdir, "SimpleBooking.mdb") as db:
        rows = db.execute("SELECT NPren, Status, LastName, FirstName, DataFrom, DataTo, Room1, Room1_A, Amount, "
                          "Registrata FROM Reservations ORDER BY NPren").fetchall()
        prices = dict(db.execute("SELECT NPren, COUNT(*) FROM ReservationsPrice GROUP BY NPren").fetchall())
    print(f"Web reservations stored in {workdir / 'SimpleBooking.mdb'}: {len(rows)}")
    print(f"  {'NPren':<8} {'Status':<10} {'Guest':<24} {'From':<10} {'To':<10} {'Room':<6} {'Meal':<5} "
          f"{'Amount':>8}  Prices  Registered")
    for npren, status, last, first, dfrom, dto, room, meal, amount, done in rows:
        guest = f"{(last or '').strip()} {(first or '').strip()}".strip()
        print(f"  {npren:<8} {(status or ''):<10} {guest[:24]:<24} {dfrom or '':<10} {dto or '':<10} "
              f"{(room or '').strip():<6} {(meal or '').strip():<5} {(amount or ''):>8}  {prices.get(npren, 0):>6}  "
              f"{'yes' if done else 'no'}")
    with database(workdir, "Scheda_Prenotazione.mdb") as db:
        sheets = db.execute("SELECT NumeroPrenotazione, NomeCliente, TipoPrenotazione, NVoucher, Trattamento, "
                            "NumeroPersone FROM Scheda_Prenotazione ORDER BY NumeroPrenotazione").fetchall()
    with database(workdir, "Camere_Prenotazione.mdb") as db:
        rooms = db.execute("SELECT NumeroPrenotazione, NumeroCamera, TipoCamera, DataArrivo, DataPartenza, "
                           "NumeroPersone, Trattamento, Prezzo, TipoPrenotazione FROM Camere_Prenotazione "
                           "ORDER BY NumeroPrenotazione, rowid").fetchall()
    with database(workdir, "Arrangiamento.mdb") as db:
        nights = dict(db.execute("SELECT CodiceCliente, COUNT(*) FROM Arrangiamento "
                                 "WHERE substr(NumeroCamera, 1, 1) = '*' GROUP BY CodiceCliente").fetchall())
        nightly = {}
        for number, room, price in db.execute("SELECT CodiceCliente, substr(NumeroCamera, 2), ImportoUnitario "
                                              "FROM Arrangiamento WHERE substr(NumeroCamera, 1, 1) = '*' "
                                              "ORDER BY CodiceCliente, NumeroCamera, DataInizio"):
            nightly.setdefault((number, room.strip()), []).append(f"{price:.2f}")
    with database(workdir, "Contatori.mdb") as db:
        last = db.execute("SELECT PrenotazioniHotel FROM Contatori WHERE NumeroHotel = 1").fetchone()
    print(f"QV bookings in {workdir / 'scheda_prenotazione.mdb'}: {len(sheets)} "
          f"(last booking number {last[0] if last else 'missing'})")
    for number, guest, kind, voucher, arrangement, persons in sheets:
        web = f"web {voucher.strip()}" if (voucher or "").strip() else "typed in QV"
        print(f"  {number:<6} {guest[:24]:<24} kind {kind}  {web:<12} {arrangement or '':<4} "
              f"persons {persons:g}  nightly rows {nights.get(number, 0)}")
        for n, room, kind_room, dfrom, dto, persons_room, arr, price, k in rooms:
            if n == number:
                per_night = nightly.get((number, room.strip().replace("\u00b4", "'")), [])
                print(f"         room {room.strip() or '(none)':<6} {kind_room:<6} {dfrom}-{dto}  persons "
                      f"{persons_room:g}  {arr:<4} {price:>8.2f}  kind {k}"
                      + (f"  nights {' '.join(per_night)}" if per_night else ""))

    # The per-type counters over the nights of the web bookings.
    days = sorted({(r[2].strip(), r[3], r[4]) for r in rooms if r[0] in
                   {s[0] for s in sheets if (s[3] or "").strip()}})
    with database(workdir, "Disponibilita.mdb") as db:
        print("Free rooms per type (DisponibilitàTipi.Libere) over the nights of the web bookings:")
        for sigla, dfrom, dto in days:
            night = date(int(dfrom[:4]), int(dfrom[4:6]), int(dfrom[6:8]))
            end = date(int(dto[:4]), int(dto[4:6]), int(dto[6:8]))
            free = []
            while night < end:
                row = db.execute('SELECT Libere FROM "DisponibilitàTipi" WHERE AMT = ?',
                                 (f"{night:%Y%m}{sigla}",)).fetchone()
                free.append(row[0][(night.day - 1) * 5:night.day * 5].strip() if row else "-")
                night += timedelta(days=1)
            print(f"  {sigla:<6} {dfrom}-{dto}: {' '.join(free)}")


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("seed", "show"):
        raise SystemExit(__doc__)
    workdir = Path(sys.argv[2])
    if sys.argv[1] == "show":
        show(workdir)
        return
    seed_qv(workdir)
    seed_bookings(workdir)
    map_catalogue(workdir)
    print(f"Demo hotel ready in {workdir}: {sum(len(r) for _, _, k, r in ROOM_TYPES if k == 'C')} rooms, "
          f"{len(BOOKINGS)} bookings, room types and rate plans mapped.")


if __name__ == "__main__":
    main()

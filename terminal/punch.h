#pragma once

#include <QString>

namespace horalia {

class TDM;

// What a submitted code came to. The terminal window applies it to its strip, labels and
// timers; the punch itself touches no widget.
struct PunchOutcome {
    enum class Kind { Empty, EntryAccepted, ExitAccepted, WorkerNotFound };
    Kind kind = Kind::Empty;
    QString workerName;  // the worker's `nombre`, for the accepted outcomes
    // Set when the row was stored but the live list could not be read again afterwards. The
    // outcome still stands: a worker told that a stored punch failed would punch again and
    // record an exit. The window shows the outcome, reports this text apart, and its clock
    // tick reads the list again.
    QString listError;

    bool accepted() const { return kind == Kind::EntryAccepted || kind == Kind::ExitAccepted; }
    // "ENTRADA ACEPTADA", "SALIDA ACEPTADA", "TRABAJADOR NO ENCONTRADO"; empty for Empty.
    QString text() const;
};

// Records the punch of `code` through the data module's datasets: decides number or NIF,
// looks the worker up, closes the open row or appends one, re-reads the live list.
// Throws UserError / DatabaseError (Spanish text) when the code is not a valid worker number
// or the database fails; nothing is then half-written.
PunchOutcome punch(TDM& dm, const QString& code);

// The locking read that serialises the punches of one worker across stations: the punch runs
// it inside its transaction before it looks for the worker's open row.
QString workerLockStatement(int workerId);

}  // namespace horalia

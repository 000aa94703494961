#pragma once

#include <QString>
#include <optional>

class AppContext;
class GrigliaMese;

// "Prepara File" of the monthly window is the operator's word for those days: a value below the
// rooms to offer at that moment (a closure is a 0) becomes a limit for that QV type and day, and a
// value at or above them clears the limit. Whatever is published later never goes above a limit.
namespace LimitiOperatore {

// The file prepared, then its limits stored in one unit of work. The file's name, or nullopt when
// either failed (the operator has been told; a file whose limits could not be stored is removed).
std::optional<QString> preparaFile(AppContext& ctx, GrigliaMese& griglia);

} // namespace LimitiOperatore

#pragma once

#include <QDir>
#include <QFileDevice>
#include <QString>
#include <QStringList>
#include <optional>

// Text files of the bridge: the system's code page (Windows-1252), lines ending in CR LF,
// written whole. One helper reads and one writes.
namespace TextFile {

// The name of an entry of dir as it is spelt on disk, found regardless of case (the system's file
// names ignore case); name itself when there is no such entry.
QString resolve(const QDir& dir, const QString& name);

QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);

// The file's lines without their line ends; nullopt when the file cannot be read.
std::optional<QStringList> readLines(const QString& path);
// The whole file as text; nullopt when it cannot be read.
std::optional<QString> readAll(const QString& path);

// What the bridge makes is for its owner and QV's group only, whatever the umask: guests' names and
// addresses are in its files. A file is 0660, a folder 0770.
inline constexpr QFileDevice::Permissions PermessiFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                         QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                         QFileDevice::ReadGroup | QFileDevice::WriteGroup;
inline constexpr QFileDevice::Permissions PermessiCartella =
    PermessiFile | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup;
// Gives a file or folder the bridge made those rights; false when they could not be set.
bool soloProprietarioEGruppo(const QString& path);
// Takes the others' rights off a file or folder, leaving the owner's and the group's as they are.
bool togliAltri(const QString& path);

// Replaces the file with the lines, each followed by CR LF. Written to a temporary file first
// and renamed, so a reader never sees half a file; the file is 0660. Returns the error text, empty on success.
QString writeLines(const QString& path, const QStringList& lines);
// Replaces the file with the text followed by CR LF (the way exchanges save their texts).
QString writeText(const QString& path, const QString& text);

// The text to show for a failed write of a file in the working directory: the system's error, or,
// when the disk has no room left for it, a message that says so (the system often says "Unknown
// error" then).
QString writeError(const QString& path, const QString& error, qint64 bytes = 0);
// "il disco di DIR è pieno (N byte liberi)" when the disk of dir has no room left for bytes more,
// or whenever certo (the system said the disk is full); nullopt otherwise.
std::optional<QString> discoPieno(const QString& dir, qint64 bytes, bool certo);

} // namespace TextFile

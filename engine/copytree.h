#pragma once
// Names on the media drive: the copy tree per source drive, per-file and run archive
// names, version names and check file names. Text functions on DOS paths; only
// FreeRunArchivePath looks at the media.

#include "platform/datetime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qm {

// The fixed value whose encryption in check files and archive entry headers tells
// whether a password is right: the 32-bit little-endian words 0x6D2E91C4, 0x03A7F15E.
inline constexpr std::array<uint8_t, 8> CheckValue = {0xC4, 0x91, 0x2E, 0x6D,
                                                      0x5E, 0xF1, 0xA7, 0x03};

// "X:\Quillmoor\" for media drive X.
std::string MediaFolder(char Destination);
// "X:\Quillmoor\drive.lst".
std::string CataloguePath(char Destination);
// X:\Quillmoor\Drive_C\dir\sub\name.ext for C:\dir\sub\name.ext.
std::string CopyPathFor(char Destination, std::string_view SourcePath);
// The copy path + ".bpa".
std::string FileArchivePathFor(char Destination, std::string_view SourcePath);
// X:\Quillmoor\Drive_<letter of FirstSource>\<StartTime, "_" separators>.bpa
std::string RunArchivePathFor(char Destination, std::string_view FirstSource, TDateTime StartTime);
// RunArchivePath itself when nothing has that name yet, else the first of
// "<name> (2).bpa", "<name> (3).bpa", ... that is free (a name no version rule makes):
// no file or folder has it, and Taken (when given) says no record holds it.
std::string FreeRunArchivePath(std::string_view RunArchivePath,
                               const std::function<bool(const std::string&)>& Taken = nullptr);
// Version k of Path: "_" + k before the extension of the file name (at the end when it
// has none); version 0 is Path itself.
std::string VersionName(std::string_view Path, int Version);
// Path + ".mac".
std::string CheckFileName(std::string_view Path);

// Whether a media path read from a catalogue record has the shape a backup of that
// record's file can have, on media drive Destination: the source's copy path (plus
// ".bpa" for an archive of its own), or for an entry of a run archive a ".bpa" file
// directly in a "Drive_<letter>" folder. Every name on the way must be a plain DOS name.
// Nothing is deleted, renamed or read through a media path that fails this check, so a
// crafted catalogue cannot reach the catalogue itself or anything else on the drive.
bool IsMediaPathOfRecord(char Destination, std::string_view SourcePath, std::string_view MediaPath,
                         bool Compression, bool InArchive);

} // namespace qm

#pragma once
// Volume labels of plugged-in media, as udev publishes them: one symbolic link per
// labelled file system in /dev/disk/by-label (QUILLMOOR_DISK_BY_LABEL in tests), named
// after the label with udev's \xNN escapes and pointing at the device node.

#include <string>
#include <string_view>

namespace qm {

// The label of the file system on `device` ("/dev/sdb1"); empty when it has none or the
// folder cannot be read. `byLabel` empty: $QUILLMOOR_DISK_BY_LABEL, else
// /dev/disk/by-label.
std::string volumeLabelOf(const std::string& device, const std::string& byLabel = {});

// Undoes udev's escaping of a label ("MY\x20STICK" is "MY STICK"); a malformed escape
// stays as it is.
std::string decodeLabelEscapes(std::string_view name);

} // namespace qm

#pragma once
// TSimpleParser: reads the update server's tagged reply. Elements are an opening tag, a
// value and a closing tag ("<result>NO UPDATE</result>"); tag names match without regard
// to case, values come back exactly as written (blanks and line breaks included), so a
// value is recognised only when it is written as expected.
// A release lists its files in sections "file_0", "file_1", ...; a plain element name is
// looked up outside those sections, so a file's `date` never stands in for the release's.
// Holds a copy of the reply lines and nothing else.

#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TSimpleParser {
  public:
    // Replaces the lines held.
    void SetText(const std::vector<std::string>& lines);

    // The value of the first element `name` outside the file sections; the text of the
    // section itself when `name` is a file section. Empty when a tag is missing or the
    // closing tag stands before the opening one.
    std::string GetValue(std::string_view name) const;
    // The value of `inner` inside the first section `outer`.
    std::string GetSubValue(std::string_view outer, std::string_view inner) const;
    // Both the opening and the closing tag of `name` occur.
    bool TagExists(std::string_view name) const;

    // Whether `name` is a file section ("file_" and decimal digits, any case).
    static bool isFileSection(std::string_view name);

  private:
    std::string text_;     // the lines, each followed by CR LF
    std::string upper_;    // the same in upper case
    std::string topLevel_; // upper_ with every file section blanked out
};

} // namespace qm

#pragma once
// The rules of the one-line input dialog TaddToExceptionLst: its prompt, the edited
// text, whether the browse button shows, what a chosen file puts into the edit, and
// what Enter and Esc answer.

#include <optional>
#include <string>

namespace qm {

class TAddToExceptionModel {
  public:
    TAddToExceptionModel(std::string prompt, std::string text, bool showBrowse)
        : prompt_(std::move(prompt)), text_(std::move(text)), showBrowse_(showBrowse) {}

    const std::string& prompt() const { return prompt_; }
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    bool showBrowse() const { return showBrowse_; }

    // A file chosen with the browse button: the edit takes its name without any folder,
    // whichever separator the path uses. An empty choice (dialog cancelled) changes nothing.
    void fileChosen(const std::string& path);

    // Enter answers OK (1), Esc Cancel (2); other keys are the edit's.
    static std::optional<int> keyResult(bool enter, bool escape);

  private:
    std::string prompt_;
    std::string text_;
    bool showBrowse_;
};

} // namespace qm

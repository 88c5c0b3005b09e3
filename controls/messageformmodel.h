#pragma once
// The rules of the message box: which button page a kind shows, what each button and
// each other way of closing answers, and how tall the window must be so that the whole
// text is readable. No widgets; TfrmMessage asks it everything.

#include <optional>
#include <string>
#include <vector>

namespace qm {

// The variants of the three programs differ only in these points.
struct TMessageStyle {
    int clientWidth = 360;
    int clientHeight = 143;
    bool bringToFront = true; // the main program pulls its questions to the foreground
    bool frameLine = false;   // the updater frames its text with a yellow line

    static TMessageStyle mainProgram() { return {360, 143, true, false}; }
    static TMessageStyle setupProgram() { return {362, 145, false, false}; }
    static TMessageStyle updaterProgram() { return {360, 143, false, true}; }
};

class TMessageFormModel {
  public:
    enum Result { mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

    struct Button {
        std::string name; // object name of the image button
        int result = 0;
        int left = 0; // x inside the button page
        int width = 0;
        std::string picture; // skin picture; the hover face adds "_hover"
    };

    // Kinds other than 0, 1 and 2 show the OK page.
    TMessageFormModel(int kind, std::string text);

    int kind() const { return kind_; }
    const std::string& text() const { return text_; }
    int pageIndex() const { return kind_; }
    const char* pageName() const;
    std::vector<Button> buttons() const;

    // Closing the box other than by a button: a Yes/No question answers No, anything
    // else Cancel. A question must never be taken as agreed to because it was dismissed.
    int closeResult() const { return kind_ == 2 ? mrNo : mrCancel; }
    // Enter closes only the OK-only box, answering Cancel; elsewhere it does nothing.
    std::optional<int> enterResult() const;

    // Geometry: the text area is 58 px high in a window of the style's height. A longer
    // text grows the window up to `maxWindowHeight`; beyond that the text scrolls.
    static constexpr int kLabelHeight = 58;
    struct Fit {
        int windowHeight = 0;
        int labelHeight = 0;
        bool scrolls = false;
    };
    static Fit fitText(int textHeight, int baseWindowHeight, int maxWindowHeight);

  private:
    int kind_;
    std::string text_;
};

} // namespace qm

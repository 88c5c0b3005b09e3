#pragma once
// The state rules of the picture button: which of its two faces shows, and whether an
// enter or leave is reported. The button widget (TImageRegion) owns the pictures and
// asks this model which one to paint; tests drive the rules without a screen.
//
// The normal picture is model state of its own: a picture assigned while the mouse is
// over the button is kept and shows once the mouse leaves, and a button that becomes
// disabled under the mouse shows its normal picture at once.

namespace qm {

class TImageRegionModel {
  public:
    enum class Face { Normal, Hover };

    // Returns true when the widget is to fire OnMouseEnter / OnMouseLeave.
    bool mouseEnter();
    bool mouseLeave();
    void setEnabled(bool enabled) { enabled_ = enabled; }
    void setHasHoverPicture(bool has) { hasHoverPicture_ = has; }

    bool enabled() const { return enabled_; }
    bool mouseOver() const { return mouseOver_; }
    // The hover face shows only on an enabled button under the mouse that has a hover
    // picture; a button without one keeps its normal face rather than going blank.
    Face shownFace() const;

  private:
    bool enabled_ = true;
    bool mouseOver_ = false;
    bool hasHoverPicture_ = false;
};

} // namespace qm

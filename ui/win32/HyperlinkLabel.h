#pragma once
// A text label that behaves as a web link: a plain static window whose
// window procedure is replaced by the label's own, the label object found
// from the window through its "CLASSPOINTER" property. It draws its text
// underlined in its normal colour, in its hover colour while the pointer is
// over it, shows its own cursor, and calls its click function when the left
// button is pressed on it.

#include <windows.h>

#include <functional>
#include <string>

namespace ui::win32 {

// The creation request, filled in by the caller.
struct HyperlinkLabelParams {
    HWND parent = nullptr;  // must be an existing window
    UINT controlId = 0;
    int x = 0, y = 0;           // in the parent's client area, pixels
    int width = 0, height = 0;  // both greater than 0
    std::wstring faceName;      // must be given
    int fontHeight = 0;         // passed unchanged to the font's creation
    bool bold = false;
    bool underline = false;
    COLORREF normalColour = 0;
    COLORREF hoverColour = 0;
    COLORREF backgroundColour = 0;
    bool fillBackground = false;  // otherwise the text is drawn transparently
    bool useCursor = false;
    HCURSOR cursor = nullptr;
    std::function<void(int)> onClick;  // called with 0; may be absent
    std::wstring text;
};

class HyperlinkLabel {
  public:
    HyperlinkLabel() = default;
    // Gives the window back to the default procedure and releases the font and brush.
    ~HyperlinkLabel();
    HyperlinkLabel(const HyperlinkLabel&) = delete;
    HyperlinkLabel& operator=(const HyperlinkLabel&) = delete;

    // Builds the label's window; false at the first step that fails, leaving
    // what was made in place. A request without an existing parent, with an
    // empty size or without a face name creates nothing.
    bool create(const HyperlinkLabelParams& params);

    // The label window's procedure.
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    // Captures the mouse while the pointer is over the label, releases it
    // when it left; repaints only when the pointer crossed the border.
    void trackHover();

    HWND handle() const { return window_; }
    // -1 after creation, 0 while the pointer is over the label, 1 elsewhere.
    int hoverState() const { return lastHover_; }

  private:
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
    HCURSOR cursor_ = nullptr;
    COLORREF normalColour_ = 0, hoverColour_ = 0, backgroundColour_ = 0;
    std::function<void(int)> onClick_;
    bool backgroundFilled_ = false;
    bool pointerOver_ = false;
    bool useCursor_ = false;
    std::wstring text_;
    int lastHover_ = -1;
};

}  // namespace ui::win32

#pragma once
// A text label that behaves as a web link: underlined in its normal colour,
// in its hover colour while the pointer is over it, with its own cursor, and
// calling its click function when the left button is pressed on it.

#include <functional>

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QString>

class QWidget;
class QLabel;

namespace ui::qt {

class LinkWindow;

struct HyperlinkLabelParams {
    QWidget* parent = nullptr;  // must exist
    unsigned controlId = 0;
    int x = 0, y = 0;
    int width = 0, height = 0;  // both greater than 0
    QString faceName;           // must be given
    int fontHeight = 0;         // cell height in pixels
    bool bold = false;
    bool underline = false;
    QColor normalColour;
    QColor hoverColour;
    QColor backgroundColour;
    bool fillBackground = false;  // otherwise the text is drawn transparently
    bool useCursor = false;
    QCursor cursor;
    std::function<void(int)> onClick;  // called with 0; may be absent
    QString text;
};

class HyperlinkLabel {
  public:
    // Builds the label's window; false, creating nothing, for a request
    // without parent, with an empty size or without a face name.
    bool create(const HyperlinkLabelParams& params);

    // Called by the label's window.
    void paint();
    void trackHover(bool pointerInside);
    void pressed();
    bool cursorInUse() const { return useCursor_; }

    QWidget* window() const;
    // -1 after creation, 0 while the pointer is over the label, 1 elsewhere.
    int hoverState() const { return lastHover_; }
    bool pointerOver() const { return pointerOver_; }
    // How many times the label asked to be repainted after a hover change.
    int hoverRepaints() const { return hoverRepaints_; }
    const QString& text() const { return text_; }
    const QFont& font() const { return font_; }

  private:
    LinkWindow* window_ = nullptr;
    QFont font_;
    QColor normalColour_, hoverColour_, backgroundColour_;
    bool backgroundFilled_ = false;
    bool pointerOver_ = false;
    bool useCursor_ = false;
    QCursor cursor_;
    std::function<void(int)> onClick_;
    QString text_;
    int lastHover_ = -1;
    int hoverRepaints_ = 0;
};

// Moves `label` (a caption beside the link, in the same window) up or down so
// that its text stands on the link's baseline.
void alignToLinkBaseline(QLabel& label, const HyperlinkLabel& link);

}  // namespace ui::qt

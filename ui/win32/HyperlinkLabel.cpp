#include "ui/win32/HyperlinkLabel.h"

namespace ui::win32 {

namespace {

constexpr const wchar_t* kClassPointer = L"CLASSPOINTER";

}  // namespace

HyperlinkLabel::~HyperlinkLabel() {
    if (window_ != nullptr && IsWindow(window_)) {
        RemovePropW(window_, kClassPointer);
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
    }
    if (font_ != nullptr)
        DeleteObject(font_);
    if (brush_ != nullptr)
        DeleteObject(brush_);
}

bool HyperlinkLabel::create(const HyperlinkLabelParams& params) {
    if (params.parent == nullptr || !IsWindow(params.parent) || params.width <= 0 ||
        params.height <= 0 || params.faceName.empty())
        return false;
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, params.x, params.y,
                              params.width, params.height, params.parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(params.controlId)),
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return false;
    if (!SetPropW(window_, kClassPointer, this))
        return false;
    // The static class's procedure is not kept: what the label does not
    // handle gets the default processing.
    SetWindowLongPtrW(window_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&HyperlinkLabel::windowProc));
    font_ = CreateFontW(params.fontHeight, 0, 0, 0, params.bold ? FW_BOLD : FW_NORMAL, FALSE,
                        params.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                        params.faceName.c_str());
    if (font_ == nullptr)
        return false;
    backgroundFilled_ = params.fillBackground;
    if (backgroundFilled_)
        brush_ = CreateSolidBrush(params.backgroundColour);
    useCursor_ = params.useCursor;
    if (useCursor_)
        cursor_ = params.cursor;
    normalColour_ = params.normalColour;
    hoverColour_ = params.hoverColour;
    backgroundColour_ = params.backgroundColour;
    onClick_ = params.onClick;
    text_ = params.text;
    lastHover_ = -1;
    return true;
}

LRESULT CALLBACK HyperlinkLabel::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* label = static_cast<HyperlinkLabel*>(GetPropW(window, kClassPointer));
    if (label == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            label->paint();
            break;
        case WM_SETCURSOR:
            if (!label->useCursor_ || label->cursor_ == nullptr)
                return 0;
            SetCursor(label->cursor_);
            return 1;
        case WM_MOUSEMOVE:
        case WM_CAPTURECHANGED:
            label->trackHover();
            break;
        case WM_LBUTTONDOWN:
            // The link acts on the press of the left button, not on its release.
            if (label->onClick_)
                label->onClick_(0);
            break;
        case WM_NCDESTROY:
            RemovePropW(window, kClassPointer);
            label->window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void HyperlinkLabel::trackHover() {
    POINT pointer{};
    RECT area{};
    GetCursorPos(&pointer);
    GetWindowRect(window_, &area);
    const bool inside = PtInRect(&area, pointer) != 0;
    const int state = inside ? 0 : 1;
    if (inside) {
        // Captured, so that the label hears of the pointer leaving it.
        if (GetCapture() != window_)
            SetCapture(window_);
    } else if (GetCapture() == window_) {
        ReleaseCapture();
    }
    pointerOver_ = inside;
    if (lastHover_ != state) {
        lastHover_ = state;
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
    }
}

void HyperlinkLabel::paint() {
    PAINTSTRUCT painting{};
    HDC context = BeginPaint(window_, &painting);
    RECT area{};
    GetClientRect(window_, &area);
    if (backgroundFilled_ && brush_ != nullptr) {
        FillRect(context, &area, brush_);
        SetBkColor(context, backgroundColour_);
    } else {
        SetBkMode(context, TRANSPARENT);
    }
    HGDIOBJ previous = SelectObject(context, font_);
    SetTextColor(context, pointerOver_ ? hoverColour_ : normalColour_);
    DrawTextExW(context, text_.data(), static_cast<int>(text_.size()), &area,
                DT_CENTER | DT_VCENTER, nullptr);
    SelectObject(context, previous);
    EndPaint(window_, &painting);
}

}  // namespace ui::win32

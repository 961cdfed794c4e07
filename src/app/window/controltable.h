#pragma once

#include <vector>

namespace zq {

// The window's inventory: one row per control, with its place and size in twips
// (1440 per inch, 15 per pixel at 96 dpi). LayoutBuilder turns the rows into widgets.
enum class ControlKind
{
    Browser,
    Frame,
    TextBox,
    PasswordBox,
    MultiLineTextBox,
    PictureBox,
    Label,
    LinkLabel,
    PushButton,
    ComboBox,
};

enum class TextAlign
{
    Left,
    Right,
    Centre,
};

enum class FontFace
{
    Default, // the window's user-interface font
    SongTi,  // 宋体, GB2312 character set
    Arial,
};

struct FontDescription
{
    FontFace face = FontFace::Default;
    double points = 0;
    bool underline = false;
};

struct ControlDescription
{
    const char16_t *name;   // control name, e.g. u"tips_label"
    int index;              // index in a control array, -1 for a single control
    const char16_t *parent; // containing control, nullptr for the window itself
    ControlKind kind;
    int left, top, width, height; // twips
    const char16_t *text;         // caption or initial text, nullptr for none
    TextAlign align;
    const char *textColour;       // "#RRGGBB" or nullptr
    const char *backgroundColour; // "#RRGGBB", "buttonface" or nullptr
    FontDescription font;
    bool handCursor;
    const char16_t *toolTip;
    int tab; // position in the tab order, -1 for none
    bool hidden;
    // For a label: the control it names (e.g. u"login_user" for 账号：). The field takes the
    // label's text, without the colon, as the name a screen reader says for it.
    const char16_t *labelFor = nullptr;
};

const std::vector<ControlDescription> &zqControlTable();

// The window's client area at creation, in twips.
constexpr int kClientWidthTwips = 15225;
constexpr int kClientHeightTwips = 9150;

constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

} // namespace zq

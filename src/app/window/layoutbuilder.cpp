#include "layoutbuilder.h"

#include "clickablelabel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace zq {

namespace {

QString textOf(const char16_t *text)
{
    return text ? QString::fromUtf16(text) : QString();
}

QWidget *makeWidget(const ControlDescription &row, QWidget *parent, const LayoutBuilder::BrowserFactory &makeBrowser)
{
    switch (row.kind) {
    case ControlKind::Browser:
        return makeBrowser ? makeBrowser(parent) : new QWidget(parent);
    case ControlKind::Frame:
        return new QGroupBox(parent);
    case ControlKind::TextBox:
    case ControlKind::PasswordBox: {
        auto *edit = new QLineEdit(textOf(row.text), parent);
        if (row.kind == ControlKind::PasswordBox) {
            edit->setEchoMode(QLineEdit::Password);
            // Every typed character shows as "*", whatever the style's own mask character is.
            edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
        }
        return edit;
    }
    case ControlKind::MultiLineTextBox: {
        auto *edit = new QPlainTextEdit(textOf(row.text), parent);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return edit;
    }
    case ControlKind::PictureBox:
        return new QLabel(parent);
    case ControlKind::Label:
    case ControlKind::LinkLabel: {
        auto *label = new ClickableLabel(textOf(row.text), parent);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        const Qt::Alignment horizontal = row.align == TextAlign::Right    ? Qt::AlignRight
                                         : row.align == TextAlign::Centre ? Qt::AlignHCenter
                                                                          : Qt::AlignLeft;
        label->setAlignment(horizontal | Qt::AlignTop);
        return label;
    }
    case ControlKind::PushButton:
        return new QPushButton(textOf(row.text), parent);
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    }
    }
    return new QWidget(parent);
}

// The window's font with every attribute set, so that a control inside a frame keeps it
// instead of inheriting the frame's own font.
QFont windowFontFor(const QWidget *window)
{
    const QFont &base = window->font();
    QFont font = base;
    font.setFamilies(base.families().isEmpty() ? QStringList{base.family()} : base.families());
    font.setPointSizeF(base.pointSizeF());
    font.setWeight(base.weight());
    font.setItalic(base.italic());
    font.setUnderline(base.underline());
    font.setStyleStrategy(base.styleStrategy());
    return font;
}

QColor colourOf(const char *value, const QWidget *widget)
{
    if (qstrcmp(value, "buttonface") == 0)
        return widget->palette().color(QPalette::Button);
    return QColor(QString::fromLatin1(value));
}

void applyColours(const ControlDescription &row, QWidget *widget)
{
    if (row.kind == ControlKind::PushButton && row.backgroundColour) {
        // A coloured button: the style's own face would hide the palette colour on some platforms.
        widget->setStyleSheet(
            QStringLiteral("QPushButton { background-color: %1; border: 1px solid #808080; padding: 0px; }")
                .arg(QString::fromLatin1(row.backgroundColour)));
        return;
    }
    QPalette palette = widget->palette();
    if (row.kind == ControlKind::Frame) {
        // A frame's text colour is its caption's; its controls keep their own.
        if (row.textColour)
            palette.setColor(QPalette::WindowText, colourOf(row.textColour, widget));
        if (row.backgroundColour)
            palette.setColor(QPalette::Window, colourOf(row.backgroundColour, widget));
        // A panel is opaque: the labels of the bottom row and the page beneath it must not
        // show through. Without a colour of its own it takes the window's face.
        widget->setAutoFillBackground(true);
        widget->setPalette(palette);
        return;
    }
    const bool editable = row.kind == ControlKind::TextBox || row.kind == ControlKind::PasswordBox ||
                          row.kind == ControlKind::MultiLineTextBox || row.kind == ControlKind::ComboBox;
    if (row.textColour) {
        const QColor colour = colourOf(row.textColour, widget);
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::Text, colour);
        palette.setColor(QPalette::ButtonText, colour);
    }
    if (row.backgroundColour) {
        const QColor colour = colourOf(row.backgroundColour, widget);
        if (editable) {
            palette.setColor(QPalette::Base, colour);
            palette.setColor(QPalette::Button, colour);
        } else {
            palette.setColor(QPalette::Window, colour);
            widget->setAutoFillBackground(true);
        }
    }
    widget->setPalette(palette);
}

// The controls that have a name of their own, as `find` gives them by that name.
Controls namedControls(const std::function<QWidget *(const char *name)> &find)
{
    Controls c;
    c.browser = find("zq_main_web");
    c.linkPanel = qobject_cast<QGroupBox *>(find("regLinkPanel"));
    c.loginBox = qobject_cast<QGroupBox *>(find("frame_login"));
    c.registrationBox = qobject_cast<QGroupBox *>(find("frame_reg"));
    c.outplan = qobject_cast<QPlainTextEdit *>(find("outplan"));
    c.trayPicture = qobject_cast<QLabel *>(find("tarelMsgTipsPic"));
    c.linkPanelToggle = qobject_cast<QPushButton *>(find("regLinkPanelOC"));
    c.loginUser = qobject_cast<QLineEdit *>(find("login_user"));
    c.loginPass = qobject_cast<QLineEdit *>(find("login_pass"));
    c.loginButton = qobject_cast<QPushButton *>(find("vip_login"));
    c.goToRegistrationButton = qobject_cast<QPushButton *>(find("vip_gotoreg"));
    c.closeLoginButton = qobject_cast<QPushButton *>(find("vip_closelogin"));
    c.regUser = qobject_cast<QLineEdit *>(find("reg_user"));
    c.regPass = qobject_cast<QLineEdit *>(find("reg_pass"));
    c.regEmail = qobject_cast<QLineEdit *>(find("reg_email"));
    c.regPlatform = qobject_cast<QComboBox *>(find("reg_pt"));
    c.regPlatformAccount = qobject_cast<QLineEdit *>(find("user_shishicaiattachid"));
    c.platformSignUpLink = qobject_cast<ClickableLabel *>(find("reg_pabble_regplt"));
    c.registerButton = qobject_cast<QPushButton *>(find("vip_reg"));
    c.registrationCancelButton = qobject_cast<QPushButton *>(find("vip_reg_undo"));
    return c;
}

// tips_label(i) and reglinks(i) into their arrays.
void addIndexed(Controls &c, QStringView name, int index, ClickableLabel *label)
{
    if (index < 0 || !label)
        return;
    if (name == u"tips_label")
        c.tipsLabels.insert(index, label);
    else if (name == u"reglinks" && index < int(c.platformLinks.size()))
        c.platformLinks[size_t(index)] = label;
}

} // namespace

QString LayoutBuilder::controlName(const ControlDescription &row)
{
    const QString name = QString::fromUtf16(row.name);
    return row.index < 0 ? name : name + u'(' + QString::number(row.index) + u')';
}

QFont LayoutBuilder::fontFor(const FontDescription &font, const QFont &windowFont)
{
    QFont result = windowFont;
    switch (font.face) {
    case FontFace::Default:
        return windowFont;
    case FontFace::SongTi:
        // SimSun where it exists (Windows); elsewhere a CJK face, so Chinese never shows as boxes.
        result.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                            QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("WenQuanYi Micro Hei")});
        break;
    case FontFace::Arial:
        result.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                            QStringLiteral("Noto Sans CJK SC")});
        break;
    }
    result.setPointSizeF(font.points);
    result.setUnderline(font.underline);
    return result;
}

Controls LayoutBuilder::build(QWidget *window, const std::vector<ControlDescription> &table,
                              const BrowserFactory &makeBrowser)
{
    QHash<QString, QWidget *> byName;
    std::vector<std::pair<int, QWidget *>> tabOrder;

    for (const ControlDescription &row : table) {
        QWidget *parent = row.parent ? byName.value(QString::fromUtf16(row.parent), window) : window;
        QWidget *widget = makeWidget(row, parent, makeBrowser);
        const QString name = controlName(row);
        widget->setObjectName(name);
        widget->setGeometry(twipsToPixels(row.left), twipsToPixels(row.top), twipsToPixels(row.width),
                            twipsToPixels(row.height));
        if (row.font.face != FontFace::Default)
            widget->setFont(fontFor(row.font, window->font()));
        else if (parent != window)
            widget->setFont(windowFontFor(window)); // not the frame's font
        applyColours(row, widget);
        if (row.handCursor)
            widget->setCursor(Qt::PointingHandCursor);
        if (row.toolTip)
            widget->setToolTip(QString::fromUtf16(row.toolTip));
        // Only controls that take focus join the chain: Qt skips a link to one that does not,
        // which would cut the chain in two.
        if (row.tab >= 0 && widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(row.tab, widget);
        widget->setVisible(!row.hidden);
        byName.insert(name, widget);
    }

    // A field's label names it for assistive technology: the buddy is Qt's own link of the two,
    // the name is the label's text without its colon (a button names itself by its caption).
    for (const ControlDescription &row : table) {
        auto *label = qobject_cast<QLabel *>(byName.value(controlName(row)));
        QWidget *field = row.labelFor ? byName.value(QString::fromUtf16(row.labelFor)) : nullptr;
        if (!label || !field)
            continue;
        label->setBuddy(field);
        QString name = label->text().trimmed();
        while (name.endsWith(u'：') || name.endsWith(u':'))
            name.chop(1);
        field->setAccessibleName(name);
    }

    // Panels lie above the browser where they overlap it.
    for (const char16_t *panel : {u"regLinkPanel", u"frame_login", u"frame_reg"}) {
        if (QWidget *w = byName.value(QString::fromUtf16(panel)))
            w->raise();
    }

    std::stable_sort(tabOrder.begin(), tabOrder.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (size_t i = 0; i + 1 < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i].second, tabOrder[i + 1].second);

    Controls c = namedControls([&byName](const char *name) { return byName.value(QString::fromLatin1(name)); });
    for (const ControlDescription &row : table)
        addIndexed(c, QStringView(row.name), row.index, qobject_cast<ClickableLabel *>(byName.value(controlName(row))));

    // The timers: delay_timer waits, single-shot and without an interval, until start-up
    // starts it; count_down ticks every second from the moment the window exists.
    c.startTimer = new QTimer(window);
    c.startTimer->setObjectName(QStringLiteral("delay_timer"));
    c.startTimer->setInterval(0);
    c.startTimer->setSingleShot(true);
    c.countDown = new QTimer(window);
    c.countDown->setObjectName(QStringLiteral("count_down"));
    c.countDown->setInterval(1000);
    c.countDown->start();
    return c;
}

Controls LayoutBuilder::findControls(const QWidget *window)
{
    Controls c =
        namedControls([window](const char *name) { return window->findChild<QWidget *>(QString::fromLatin1(name)); });
    static const QRegularExpression indexed(QStringLiteral("^(tips_label|reglinks)\\((\\d+)\\)$"));
    for (ClickableLabel *label : window->findChildren<ClickableLabel *>()) {
        const QRegularExpressionMatch match = indexed.match(label->objectName());
        if (match.hasMatch())
            addIndexed(c, match.capturedView(1), match.captured(2).toInt(), label);
    }
    c.startTimer = window->findChild<QTimer *>(QStringLiteral("delay_timer"));
    c.countDown = window->findChild<QTimer *>(QStringLiteral("count_down"));
    return c;
}

} // namespace zq

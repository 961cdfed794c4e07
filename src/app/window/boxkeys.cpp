#include "boxkeys.h"

#include "controls.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

#include <initializer_list>

namespace zq {

namespace {

// Enter in one field presses one button. A filter rather than QLineEdit::returnPressed, so the
// drop-down (which has no such signal and passes Enter on to its box) answers alike.
class EnterPresses final : public QObject
{
public:
    EnterPresses(QWidget *field, QPushButton *button) : QObject(field), m_button(button)
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        Q_UNUSED(watched)
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // click() does nothing while the button is disabled.
        if (m_button)
            m_button->click();
        return true;
    }

private:
    QPointer<QPushButton> m_button;
};

void pressOnEnter(std::initializer_list<QWidget *> fields, QPushButton *button)
{
    for (QWidget *field : fields)
        new EnterPresses(field, button);
}

void pressOnEscape(QGroupBox *box, QPushButton *button)
{
    // A window-wide key that counts only while its box is shown.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), box);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, button, &QAbstractButton::click);
}

} // namespace

void installBoxKeys(const Controls &c)
{
    pressOnEnter({c.loginUser, c.loginPass}, c.loginButton);
    pressOnEnter({c.regUser, c.regPass, c.regEmail, c.regPlatform, c.regPlatformAccount}, c.registerButton);
    pressOnEscape(c.loginBox, c.closeLoginButton);
    pressOnEscape(c.registrationBox, c.registrationCancelButton);
}

void focusLoginBox(const Controls &c)
{
    (c.loginUser->text().isEmpty() ? c.loginUser : c.loginPass)->setFocus(Qt::OtherFocusReason);
}

void focusRegistrationBox(const Controls &c)
{
    c.regUser->setFocus(Qt::OtherFocusReason);
}

} // namespace zq

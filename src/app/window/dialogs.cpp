#include "dialogs.h"

#include "apptexts.h"

#include <QMessageBox>

namespace zq {

void Dialogs::information(const QString &text, const QString &title)
{
    const QString boxTitle = title.isEmpty() ? AppTexts::programTitle() : title;
    m_shown.append({boxTitle, text, false});
    if (m_scripted || m_silenced)
        return;
    QMessageBox box(QMessageBox::NoIcon, boxTitle, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool Dialogs::confirm(const QString &text, const QString &title)
{
    m_shown.append({title, text, true});
    if (m_scripted)
        return *m_scripted;
    if (m_silenced)
        return false;
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace zq

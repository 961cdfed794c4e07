#include "platformlist.h"

#include <QComboBox>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace zq {

void fillComboList(QComboBox *list, const QString &items, int index)
{
    if (!list)
        return;
    list->clear();
    if (!items.isEmpty())
        list->addItems(items.split(u'|'));
    // A list control starts with nothing selected; only an index inside the list changes
    // that (-1 keeps it so).
    list->setCurrentIndex(-1);
    if (index >= -1 && index < list->count())
        list->setCurrentIndex(index);
}

void RegPlatforms::fillRegPlatforms(const QString &regPlatformText, QComboBox *regPlatform)
{
    if (regPlatformText.isEmpty())
        return;
    m_saved = regPlatformText;

    QStringList names;
    QStringList values;
    const QStringList entries = regPlatformText.split(u',');
    for (const QString &entry : entries) {
        if (entry.isEmpty())
            continue;
        const QStringList fields = entry.split(u'|');
        names.append(QString(fields.first()).remove(u' '));
        values.append(fields.value(1));
    }
    // The list is sent again after every online report, maybe while the user is filling in
    // the registration box: a platform chosen there stays chosen while it is listed. Two names
    // can show alike once their blanks are gone; the value tells the chosen one apart.
    qsizetype chosen = -1;
    if (regPlatform && regPlatform->currentIndex() >= 0) {
        const QString name = regPlatform->currentText();
        const QString value = regPlatform->currentData().toString();
        for (qsizetype i = 0; i < names.size() && chosen < 0; ++i)
            if (names.at(i) == name && values.at(i) == value)
                chosen = i;
        if (chosen < 0)
            chosen = names.indexOf(name);
    }
    fillComboList(regPlatform, names.join(u'|'), chosen >= 0 ? int(chosen) : 0);
    // Each item keeps its own value: looked up again by its shown name, a name that lost its
    // blanks or occurs inside an earlier name would find another item's value, or none.
    if (regPlatform)
        for (int i = 0; i < regPlatform->count(); ++i)
            regPlatform->setItemData(i, values.value(i));
}

QString RegPlatforms::getPlatformValue(const QString &name) const
{
    if (m_saved.isEmpty())
        return {};
    const QStringList entries = m_saved.split(u',');
    for (const QString &entry : entries) {
        if (entry.isEmpty())
            continue;
        const QStringList fields = entry.split(u'|');
        // A substring search that only counts a hit inside a non-empty name: an empty
        // name thus matches the first item that has a name.
        const QString &shown = fields.first();
        if (!shown.isEmpty() && shown.contains(name))
            return fields.size() > 1 ? fields.at(1) : QString();
    }
    return {};
}

} // namespace zq

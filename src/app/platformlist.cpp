#include "platformlist.h"

#include <QComboBox>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace tarel_tools {

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

void RegPlatforms::fillRegPlatforms(const QString &reg_platform_text, QComboBox *reg_pt)
{
    if (reg_platform_text.isEmpty())
        return;
    reg_platform_saved = reg_platform_text;

    QStringList names;
    const QStringList entries = reg_platform_text.split(u',');
    for (const QString &entry : entries) {
        if (!entry.isEmpty())
            names.append(entry.section(u'|', 0, 0).remove(u' '));
    }
    // The list is sent again after every online report, maybe while the user is filling in
    // the registration box: a platform chosen there stays chosen while it is listed.
    const qsizetype chosen = reg_pt && reg_pt->currentIndex() >= 0 ? names.indexOf(reg_pt->currentText()) : -1;
    fillComboList(reg_pt, names.join(u'|'), chosen >= 0 ? int(chosen) : 0);
}

QString RegPlatforms::getPlatformValue(const QString &name) const
{
    if (reg_platform_saved.isEmpty())
        return {};
    const QStringList entries = reg_platform_saved.split(u',');
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

} // namespace tarel_tools

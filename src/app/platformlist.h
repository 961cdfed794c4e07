#pragma once

#include <QString>

class QComboBox;

namespace zq {

// Clears the list, adds the "|"-separated items in order (empty pieces between two
// separators included; empty text adds none) and selects index. An index outside the
// list leaves nothing selected. A null list is ignored.
void fillComboList(QComboBox *list, const QString &items, int index);

// The registration platform list that the service sends as "name|value,name|value".
// The window shows the names; registration sends the value of the chosen item, which the
// item carries as its data. The last non-empty list is kept.
class RegPlatforms final
{
public:
    RegPlatforms() = default;
    Q_DISABLE_COPY_MOVE(RegPlatforms)

    // Keeps a non-empty regPlatformText and fills regPlatform with its names, spaces removed,
    // each with its value as the item's data (empty text when it has none), selecting the one
    // chosen before when it is still listed (the same name and value, else the same name),
    // else the first. An empty text changes neither the kept list nor regPlatform.
    void fillRegPlatforms(const QString &regPlatformText, QComboBox *regPlatform);

    // The value of the first kept item whose name contains name (case-sensitive), or
    // empty text. The kept names still have their spaces, so a shown name without its
    // spaces may not find its item: registration takes the chosen item's own value instead.
    QString getPlatformValue(const QString &name) const;

    QString saved() const { return m_saved; }

private:
    QString m_saved;
};

} // namespace zq

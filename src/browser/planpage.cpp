#include "planpage.h"

#include <QVBoxLayout>
#include <QWidget>

namespace zq {

PlanPage::PlanPage(QObject *parent) : QObject(parent) {}

PlanPage::~PlanPage() = default;

QWidget *PlanPage::makeHolder(QWidget *parentWidget)
{
    auto *holder = new QWidget(parentWidget);
    holder->hide();
    auto *layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return holder;
}

} // namespace zq

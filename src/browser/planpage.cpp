#include "planpage.h"

namespace zq {

PlanPage::PlanPage(QObject *parent) : QObject(parent) {}

PlanPage::~PlanPage() = default;

} // namespace zq

#include "planpage.h"

namespace tarel_tools {

PlanPage::PlanPage(QObject *parent) : QObject(parent) {}

PlanPage::~PlanPage() = default;

} // namespace tarel_tools

#include "stopsignalwatcher.h"

namespace zq {

StopSignalWatcher::StopSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), m_signalNumbers(signalNumbers)
{}

StopSignalWatcher::~StopSignalWatcher() = default;

} // namespace zq

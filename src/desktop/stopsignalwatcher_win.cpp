#include "stopsignalwatcher.h"

StopSignalWatcher::StopSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent) : QObject(parent)
{
    Q_UNUSED(signalNumbers)
}

StopSignalWatcher::~StopSignalWatcher() = default;

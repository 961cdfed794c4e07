#pragma once

#include <QObject>

class TestMachineId final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pickMacAddress_data();
    void pickMacAddress();
    void pickAdapterMacAddress_data();
    void pickAdapterMacAddress();
    // One file per system: the expected address comes from the system's own listing, read
    // independently of getMacAddress.
    void getMacAddress_agreesWithTheSystem_data();
    void getMacAddress_agreesWithTheSystem();
};

#pragma once

// The rows that compare getMacAddress with the system's own listing, read independently of it:
// one file per system (tst_machineid_posix.cpp, tst_machineid_win.cpp).
namespace MachineIdSystem {
// The data function's rows.
void addRows();
// The test function, for the current row.
void check();
} // namespace MachineIdSystem

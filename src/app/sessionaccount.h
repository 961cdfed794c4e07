#pragma once

#include <QString>

namespace zq {

// The account of the session: set by the login when the user submits the login box (before
// the request, whatever its answer), read by the online report and the plan page's address.
struct SessionAccount
{
    QString account;  // cur_account
    QString password; // cur_password
};

} // namespace zq

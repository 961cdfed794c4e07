#pragma once

#include <QString>

namespace zq {

class LogSecrets;

// Puts the stored value of `key` in `section` of the settings file into `text`, but only
// when there is one: an empty or missing value leaves the text as it was (what the user has
// typed stays). A null text is allowed and does nothing.
void loadIniToText(const QString &section, const QString &key, QString *text, const QString &cfgPath);

// The account and password saved by the last successful login, over the texts of the login
// box; the saved password is told to `logSecrets` (when one is given).
void loadSavedLogin(QString *loginUser, QString *loginPass, const QString &cfgPath, LogSecrets *logSecrets = nullptr);

// Keeps the account and password of a successful login, as they were typed: both, or (when
// the file cannot be written) neither, so the file never pairs one login's account with
// another's password.
void saveLogin(const QString &typedAccount, const QString &typedPassword, const QString &cfgPath);

} // namespace zq

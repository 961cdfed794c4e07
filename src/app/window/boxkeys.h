#pragma once

namespace zq {

struct Controls;

// The keys of the login and registration boxes, as in a dialog: Enter in a field of a box does
// what a click on the box's submit button does (vip_login, vip_reg), and Esc closes the open box
// as its close button does (vip_closelogin, vip_reg_undo), wherever the focus is in the window.
// Both go through the button, so while it is disabled (its request in flight) nothing happens.
void installBoxKeys(const Controls &controls);

// Where the keys go once a box is open, so that what the user types next lands in it: the login
// box's first empty field (the password when the account is there, from the saved login or a
// registration), the registration box's account.
void focusLoginBox(const Controls &controls);
void focusRegistrationBox(const Controls &controls);

} // namespace zq

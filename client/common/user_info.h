// The record of the signed-in user, owned by the main window and copied into
// workers and browser event handlers. Nobody is signed in while `account` is empty.
#pragma once

#include <string>

namespace quorvi {

struct UserInfo {
    std::string userType;  // "1" after a login
    std::string account;
    std::string schoolAccount;  // the user file's content
    std::string password;       // plain
    std::string rechargeParams;

    bool IsSignedIn() const { return !account.empty(); }
};

}  // namespace quorvi

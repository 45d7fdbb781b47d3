// The login answer on any bytes: it is read or refused, never crashes, and a
// refusal always carries a message for the login window.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "client/account/login_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quorvi::LoginAnswer answer;
    if (quorvi::ParseLoginAnswer(text, answer) && !answer.success && answer.message.empty())
        std::abort();
    return 0;
}

#include "platform/CShareAccess.h"

#include "platform/CException.h"
#include "platform/CLocalShareAccess.h"
#include "platform/CSmbShareAccess.h"
#include "platform/Translation.h"

#include <arpa/inet.h>
#include <cctype>
#include <fnmatch.h>

namespace {

bool IsIpv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool IsHostName(const std::string& text) {
    if (text.empty() || text.size() > 253)
        return false;
    // Digits and dots only is a mistyped address, not a name.
    if (text.find_first_not_of("0123456789.") == std::string::npos)
        return false;
    std::size_t labelLength = 0;
    char previous = '.';
    for (char c : text) {
        if (c == '.') {
            if (labelLength == 0 || previous == '-')
                return false;
            labelLength = 0;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
                   (c == '-' && labelLength > 0)) {
            if (++labelLength > 63)
                return false;
        } else {
            return false;
        }
        previous = c;
    }
    return labelLength > 0 && previous != '-';
}

} // namespace

std::string InvalidRtuNameMessage(const std::string& rtu) {
    std::string text = Translate(QT_TRANSLATE_NOOP(
        "core", "Имя RTU \"%s\" не является сетевым именем, IP-адресом или полным путём к папке"));
    const std::size_t name = text.find("%s");
    return name == std::string::npos ? text : text.replace(name, 2, rtu);
}

bool CShareAccess::IsValidRtuName(const std::string& rtu) {
    if (!rtu.empty() && rtu.front() == '/')
        return rtu.find('\0') == std::string::npos;
    return IsIpv4(rtu) || IsHostName(rtu);
}

std::unique_ptr<CShareAccess> CShareAccess::Open(const std::string& rtu,
                                                 const std::optional<std::string>& password) {
    if (!IsValidRtuName(rtu))
        throw CAbortException(InvalidRtuNameMessage(rtu));
    if (rtu.front() == '/')
        return std::make_unique<CLocalShareAccess>(rtu);
    return std::make_unique<CSmbShareAccess>(rtu, password);
}

bool CShareAccess::NameMatches(const std::string& pattern, const std::string& name) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

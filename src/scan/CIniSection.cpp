#include "scan/CIniSection.h"

#include "platform/CException.h"
#include "platform/Translation.h"

std::size_t CIniSection::AddEntry(std::string key, std::string value) {
    entries_.emplace_back(std::move(key), std::move(value));
    return entries_.size() - 1;
}

CIniEntry& CIniSection::GetEntry(std::size_t index) {
    if (index >= entries_.size())
        throw CIniException(QT_TRANSLATE_NOOP("core", "Запрашиваемый параметр не существует"));
    return entries_[index];
}

const CIniEntry& CIniSection::GetEntry(std::size_t index) const {
    return const_cast<CIniSection*>(this)->GetEntry(index);
}

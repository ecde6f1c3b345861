#include "scan/CIniFile.h"

#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/Translation.h"

namespace {

void AppendLine(std::string& out, const std::string& line) {
    if (line.empty())
        return;
    out += line;
    out += "\r\n";
}

void AppendEntries(std::string& out, const CIniSection& section) {
    for (std::size_t i = 0; i < section.GetEntryCount(); ++i)
        AppendLine(out, section.GetEntry(i).FormatLine());
}

} // namespace

std::size_t CIniFile::AddSection(std::string name) {
    sections_.emplace_back(std::move(name));
    return sections_.size() - 1;
}

CIniSection& CIniFile::GetSection(std::size_t index) {
    if (index >= sections_.size())
        throw CIniException(QT_TRANSLATE_NOOP("core", "Запрашиваемая секция не существует"));
    return sections_[index];
}

const CIniSection& CIniFile::GetSection(std::size_t index) const {
    return const_cast<CIniFile*>(this)->GetSection(index);
}

std::string CIniFile::Format() const {
    std::string out;
    for (const CIniSection& section : sections_) {
        if (section.GetName().empty())
            AppendEntries(out, section);
    }
    for (const CIniSection& section : sections_) {
        if (section.GetName().empty())
            continue;
        // Built piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on "[" + temporary.
        std::string header(1, '[');
        header += IniSingleLine(section.GetName());
        header += ']';
        AppendLine(out, header);
        AppendEntries(out, section);
    }
    return out;
}

void CIniFile::Save() const {
    if (fileName_.empty())
        throw CIniException(QT_TRANSLATE_NOOP("core", "Нет имени файла"));
    const std::string text = Format();
    CBinaryFile file;
    file.OpenForWrite(fileName_);
    file.Write(text.data(), text.size());
    file.Close();
}

void CIniFile::Save(std::string path) {
    fileName_ = std::move(path);
    Save();
}

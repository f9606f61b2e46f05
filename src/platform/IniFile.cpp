#include "platform/IniFile.h"

#include "model/FileUtils.h"
#include "model/ZelUtils.h"

#include <QStandardPaths>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && IsBlankChar(s[b]))
        ++b;
    size_t e = s.size();
    while (e > b && IsBlankChar(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// Case folding for names: ASCII letters, the accented capitals of the Western code
// page (files written by the original program) and the same capitals in UTF-8.
std::string Fold(std::string_view s)
{
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size() && (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80) {
            auto d = static_cast<unsigned char>(out[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97)
                out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        } else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
            out[i] = static_cast<char>(c + 0x20);
        }
    }
    return out;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

} // namespace

TIniFile::TIniFile(const std::string& fileName) : path_(ResolvePath(fileName))
{
    std::error_code ec;
    // Read as the text it is whatever control characters its values hold (a file
    // the program wrote must read back); only NUL bytes (a file of another kind,
    // or UTF-16) make it one that is left as it is.
    std::string bytes;
    if (fs::exists(path_, ec) &&
        (!FileUtils::ReadFile(path_, bytes) || bytes.find('\0') != std::string::npos)) {
        unreadable_ = true;
    } else if (fs::exists(path_, ec)) {
        // The permission bits decide, also for a user whom the system lets read anyway.
        const fs::perms p = fs::status(path_, ec).permissions();
        unreadable_ = !ec && (p & (fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read)) ==
                                 fs::perms::none;
    }
    if (unreadable_)
        bytes.clear();
    lines_ = FileUtils::SplitLines(bytes);
    Parse();
}

std::string TIniFile::SettingsFolder()
{
    if (const char* env = std::getenv("VELMORA_CONFIG_DIR"); env && *env)
        return env;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        return ".";
    return base.toStdString() + "/Velmora";
}

std::string TIniFile::ResolvePath(const std::string& fileName)
{
    if (fileName.find('/') != std::string::npos)
        return FileUtils::FindFileCaseInsensitive(fileName);
    return FileUtils::FindFileCaseInsensitive(SettingsFolder() + "/" + fileName);
}

void TIniFile::Parse()
{
    sections_.clear();
    Section* current = nullptr;
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view line = lines_[i];
        if (i == 0 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        size_t p = 0;
        while (p < line.size() && IsBlankChar(line[p]))
            ++p;
        if (p == line.size())
            continue; // blank
        if (line[p] == '[') {
            size_t close = line.find(']', p + 1);
            std::string_view name =
                TrimBlanks(line.substr(p + 1, close == std::string_view::npos ? std::string_view::npos : close - p - 1));
            sections_.push_back(Section{std::string(name), Fold(name), i, i, {}});
            current = &sections_.back();
            continue;
        }
        if (line[p] == ';' || !current)
            continue; // comment, or a line before the first section
        current->lastContent = i;
        size_t eq = line.find('=', p);
        if (eq == std::string_view::npos)
            continue;
        std::string_view key = TrimBlanks(line.substr(p, eq - p));
        if (key.empty())
            continue;
        size_t offset = lines_[i].size() - line.size(); // a BOM before the key
        current->keys.push_back(KeyLine{i, std::string(key), offset + eq + 1});
    }
}

std::vector<const TIniFile::Section*> TIniFile::Find(std::string_view section) const
{
    std::vector<const Section*> found;
    std::string folded = Fold(TrimBlanks(section));
    for (const auto& s : sections_)
        if (s.folded == folded)
            found.push_back(&s);
    return found;
}

const TIniFile::KeyLine* TIniFile::FindKey(std::string_view section, std::string_view key) const
{
    std::string folded = Fold(TrimBlanks(key));
    for (const Section* s : Find(section))
        for (const auto& k : s->keys)
            if (k.key.size() == folded.size() && Fold(k.key) == folded)
                return &k;
    return nullptr;
}

size_t TIniFile::LineOf(std::string_view section, std::string_view key) const
{
    const KeyLine* k = FindKey(section, key);
    return k ? k->line + 1 : 0;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    if (const KeyLine* k = FindKey(section, key))
        return lines_[k->line].substr(k->valueStart);
    return std::string(defaultValue);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const KeyLine* k = FindKey(section, key);
    if (!k)
        return defaultValue;
    std::string_view text = TrimBlanks(std::string_view(lines_[k->line]).substr(k->valueStart));
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    int32_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        return defaultValue;
    return v;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const
{
    const KeyLine* k = FindKey(section, key);
    if (!k)
        return defaultValue;
    std::string_view text = TrimBlanks(std::string_view(lines_[k->line]).substr(k->valueStart));
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v))
        return defaultValue;
    return v;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string_view sec = TrimBlanks(section);
    std::string_view name = TrimBlanks(key);
    if (sec.empty() || HasLineBreak(sec) || sec.find(']') != std::string_view::npos)
        throw EIniFileException(ZelUtils::Format("Nombre de sección no válido: \"%s\" (%s)", std::string(section),
                                                 path_));
    if (name.empty() || HasLineBreak(name) || name.find('=') != std::string_view::npos || name[0] == '[' ||
        name[0] == ';')
        throw EIniFileException(ZelUtils::Format("Nombre de clave no válido: \"%s\" (%s)", std::string(key), path_));
    if (HasLineBreak(value))
        throw EIniFileException(ZelUtils::Format("El valor de la clave %s no puede tener saltos de línea (%s)",
                                                 std::string(name), path_));

    std::vector<std::string> before = lines_;
    if (const KeyLine* k = FindKey(sec, name)) {
        std::string& line = lines_[k->line];
        line.replace(k->valueStart, std::string::npos, value);
    } else if (auto found = Find(sec); !found.empty()) {
        std::string line(name);
        line += '=';
        line += value;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(found.front()->lastContent + 1), std::move(line));
    } else {
        lines_.push_back("[" + std::string(sec) + "]");
        std::string line(name);
        line += '=';
        line += value;
        lines_.push_back(std::move(line));
    }
    Commit(std::move(before));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, ZelUtils::Format("%d", value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    std::vector<std::string> folded;
    for (const Section* s : Find(section))
        for (const auto& k : s->keys) {
            std::string f = Fold(k.key);
            bool seen = false;
            for (const auto& g : folded)
                if (g == f) {
                    seen = true;
                    break;
                }
            if (!seen) {
                folded.push_back(std::move(f));
                keys.push_back(k.key);
            }
        }
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (size_t i = 0; i < sections_.size(); ++i) {
        bool seen = false;
        for (size_t j = 0; j < i && !seen; ++j)
            seen = sections_[j].folded == sections_[i].folded;
        if (!seen)
            names.push_back(sections_[i].name);
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSectionValues(std::string_view section) const
{
    std::vector<std::string> out;
    for (const auto& key : ReadSection(section))
        out.push_back(key + "=" + ReadString(section, key, ""));
    return out;
}

void TIniFile::EraseSection(std::string_view section)
{
    auto found = Find(section);
    if (found.empty())
        return;
    std::vector<std::string> before = lines_;
    // From the last occurrence back, so that earlier line numbers stay valid.
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const Section* s = *it;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(s->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(s->lastContent + 1));
    }
    Commit(std::move(before));
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    std::string folded = Fold(TrimBlanks(key));
    std::vector<size_t> gone;
    for (const Section* s : Find(section))
        for (const auto& k : s->keys)
            if (Fold(k.key) == folded)
                gone.push_back(k.line);
    if (gone.empty())
        return;
    std::vector<std::string> before = lines_;
    for (auto it = gone.rbegin(); it != gone.rend(); ++it)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*it));
    Commit(std::move(before));
}

bool TIniFile::SectionExists(std::string_view section) const
{
    for (const Section* s : Find(section))
        if (!s->keys.empty())
            return true;
    return false;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindKey(section, key) != nullptr;
}

void TIniFile::UpdateFile() { Save(); }

void TIniFile::Commit(std::vector<std::string> before)
{
    Parse();
    if (held_)
        return;
    try {
        Save();
    } catch (...) {
        // What could not be written is not kept either: the object goes on showing the file.
        lines_ = std::move(before);
        Parse();
        throw;
    }
}

void TIniFile::Save()
{
    // What could not be read would be lost by writing what was understood of it.
    if (unreadable_)
        throw EIniFileException(FileUtils::WriteFailure(path_, "no se pudo leer y se deja como está"));
    fs::path dir = fs::path(path_).parent_path();
    std::error_code ec;
    // The settings folder is made on first use; other folders must exist already.
    if (!dir.empty() && !fs::exists(dir, ec) && dir == fs::path(SettingsFolder()))
        fs::create_directories(dir, ec);
    if (std::string why; !FileUtils::WriteTextFile(path_, FileUtils::JoinCrLf(lines_), &why))
        throw EIniFileException(FileUtils::WriteFailure(path_, why));
}

#pragma once
// Settings files in the classic INI layout, read and written the way the
// private-profile functions of the original platform do it:
//  - section and key names are compared without regard to case;
//  - a value is the raw text after the first '=' of its line (a ';'-separated list
//    is one value, '\' is no escape, bytes are kept as they are);
//  - writing one key changes that one line (or adds it at the end of its section, or
//    appends a new section at the end of the file) and leaves every other line,
//    comment and blank line as it was;
//  - every write reaches the file at once (through the safe path of model/SafeFile.h,
//    CR LF line ends unless the file had LF ones), so keys written before a failure
//    stay written; HoldWrites gathers many writes into one.
// A file name without a folder lives in the program's settings folder, as the
// platform placed such files in its own folder.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Raised when the file cannot be written or a name or value cannot be stored.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // Opens (reads) the file; a missing or unreadable file reads as empty. A file that
    // is there but cannot be read (no read permission, too large, not a file) is never
    // written: each write then raises EIniFileException, the file left as it is.
    explicit TIniFile(const std::string& fileName);

    // True when the file exists but could not be read.
    bool Unreadable() const { return unreadable_; }
    // From now on writes change the object only; UpdateFile() saves them all at once
    // (many keys written together reach the disk in one write).
    void HoldWrites() { held_ = true; }

    // The full path in use (bare names resolved into the settings folder).
    const std::string& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Whole-text decimal integer; anything else gives the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // An integer value other than 0 is true; a value that is no integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Whole-text decimal number with a point; anything else gives the default.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

    // Each write saves the file; EIniFileException when it cannot.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value); // "1" / "0"

    // Key names of a section in file order (first spelling of each key).
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Section names in file order (first spelling of each name).
    std::vector<std::string> ReadSections() const;
    // "key=value" lines of a section in file order.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;

    // Removes the section: its header and every line up to its last key (comments and
    // blank lines that stand before the next section stay). Saves when anything went.
    void EraseSection(std::string_view section);
    // Removes the key's line(s) from the section. Saves when anything went.
    void DeleteKey(std::string_view section, std::string_view key);

    // True when the section holds at least one key.
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Number (from 1) of the line the reads take the key from; 0 when it is not there.
    size_t LineOf(std::string_view section, std::string_view key) const;

    // Writes the file as it stands (writes already save unless held).
    void UpdateFile();

    // Folder of files named without a folder: $VELMORA_CONFIG_DIR when set, else the
    // user's configuration folder + "/Velmora".
    static std::string SettingsFolder();
    // The path a file name stands for (bare names into SettingsFolder(); an existing
    // file is found whatever the letter case of its name).
    static std::string ResolvePath(const std::string& fileName);

private:
    struct KeyLine {
        size_t line;
        std::string key;   // trimmed, as spelled in the file
        size_t valueStart; // offset of the value in the line
    };
    struct Section {
        std::string name;     // as spelled in the file
        std::string folded;   // case-folded name
        size_t header;        // line index of "[name]"
        size_t lastContent;   // last line that is neither blank nor a comment
        std::vector<KeyLine> keys;
    };

    void Parse();
    void Save();
    // Re-indexes the changed lines and saves them; on failure restores `before`.
    void Commit(std::vector<std::string> before);
    // Sections with the given name (folded), in file order.
    std::vector<const Section*> Find(std::string_view section) const;
    const KeyLine* FindKey(std::string_view section, std::string_view key) const;

    std::string path_;
    bool unreadable_ = false;
    bool held_ = false;
    std::vector<std::string> lines_;
    std::vector<Section> sections_;
};

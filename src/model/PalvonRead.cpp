// The frame of the network data file: namelists, title, the fixed section order,
// terminators, include files, comment lines and the error list.
#include "model/PalvonRead.h"
#include "model/TextCodec.h"

#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <atomic>
#include <algorithm>
#include <cstring>
#include <filesystem>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace fs = std::filesystem;
using ZelUtils::Format;

namespace PalvonRead {

namespace {

constexpr size_t MaxIncludeDepth = 16;
// What the includes of one read may add to the text: a few files nesting each
// other many times over (an "include bomb") or a file without end must stop the
// read, not exhaust memory or time.
constexpr unsigned long long MaxIncludedBytes = 64ull << 20;
constexpr int32_t MaxIncludedFiles = 1000;

const std::string InsertMarker = "*** Velmora: Insertando archivo ";
const std::string EndMarker = "*** Velmora: Fin archivo ";
const std::string NotePrefix = "*** Velmora: Nodo ";
const std::string NoteSuffix = " no encontrado";


std::string_view WithoutCr(std::string_view l)
{
    if (!l.empty() && l.back() == '\r')
        l.remove_suffix(1);
    return l;
}

bool StartsWith(std::string_view l, const std::string& prefix) { return l.substr(0, prefix.size()) == prefix; }

bool IsNote(std::string_view l)
{
    l = WithoutCr(l);
    return StartsWith(l, NotePrefix) && l.size() > NotePrefix.size() + NoteSuffix.size() &&
           l.substr(l.size() - NoteSuffix.size()) == NoteSuffix;
}

// Replaces `remove` lines at `at` by `add` in one move of the later lines; the
// includes that hold the place grow or shrink, those after it move.
void ReplaceLines(TNetworkReader& r, int32_t at, int32_t remove, const TTextLines& add)
{
    FinishReadingAhead();
    const int32_t delta = static_cast<int32_t>(add.size()) - remove;
    for (auto& inc : r.IncludeRanges)
        if (inc.first < at && at <= inc.last + 1)
            inc.last += delta;
        else if (inc.first >= at) {
            inc.first += delta;
            inc.last += delta;
        }
    try {
        r.Lines->Replace(static_cast<size_t>(at), static_cast<size_t>(remove), add);
    } catch (const std::length_error& e) {
        throw CapacityError(e.what());
    }
}

// Index of the end marker of the block whose start marker is at `start`, the
// blocks nested in it skipped; -1 when the end marker was removed.
int32_t EndOfInsertedBlock(const TNetworkReader& r, int32_t start)
{
    const TTextLines& lines = *r.Lines;
    int depth = 0;
    for (size_t k = static_cast<size_t>(start); k < lines.size(); ++k) {
        std::string_view l = lines[k];
        if (l.empty() || l[0] != '*')
            continue;
        if (StartsWith(l, InsertMarker))
            ++depth;
        else if (StartsWith(l, EndMarker) && --depth == 0)
            return static_cast<int32_t>(k);
    }
    return -1;
}

// Writes the pending notes into the text in one pass.
void ApplyPendingEdits(TNetworkReader& r)
{
    FinishReadingAhead();
    if (r.PendingEdits.empty() || !r.Lines)
        return;
    TTextLines& lines = *r.Lines;
    TTextLines out;
    size_t total = lines.size(), bytes = 0;
    for (size_t k = 0; k < lines.size(); ++k)
        bytes += lines[k].size();
    for (const auto& e : r.PendingEdits) {
        total += e.lines.size();
        for (const auto& l : e.lines)
            bytes += l.size();
    }
    out.reserve(total, bytes);
    size_t cursor = 0;
    for (auto& e : r.PendingEdits) {
        size_t at = std::min(static_cast<size_t>(e.at), lines.size());
        for (; cursor < at; ++cursor)
            out.push_back(lines[cursor]);
        for (auto& l : e.lines)
            out.push_back(l);
        cursor = std::min(lines.size(), std::max(cursor, at + static_cast<size_t>(e.remove)));
    }
    for (; cursor < lines.size(); ++cursor)
        out.push_back(lines[cursor]);
    lines = std::move(out);
    r.PendingEdits.clear();
    r.PendingShift = 0;
}

// A file with a TAB on every line would open one message box per line: the first
// few are shown, the rest summed up in one, and every such line is listed in the
// error list.
constexpr int MaxTabMessages = 5;

const char* const SectionNames[8] = {"11111", "22222", "33333", "44444", "55555", "66666", "77777", "88888"};

void StartSection(int s)
{
    Services().SetStatusText(1, SectionNames[s]);
    Services().ProcessEvents();
}

// A text that ends before its namelists do (an empty file, one cut inside them):
// refused as a whole, so that opening it leaves the network that was open.
class NotANetwork : public std::runtime_error {
public:
    explicit NotANetwork(const std::string& what) : std::runtime_error(what) {}
};

[[noreturn]] void RefuseEarlyEnd(const std::string& where)
{
    throw NotANetwork("El archivo termina antes de lo esperado (" + where + ").");
}

// The input ended where more lines were expected.
void WarnEarlyEnd(const std::string& where)
{
    std::string msg = "El archivo termina antes de lo esperado (" + where + ").\rSe conserva lo leído hasta ahí.";
    AddError("Fin de archivo inesperado: " + where);
    Services().ShowMessage(msg);
}

void ResetNamelistValues()
{
    TPalvonOptions& o = Network.Options;
    o.DUTCH = o.FOZZY = o.UPBUS = o.FREEXY = o.KERMIT = o.EZBUS = o.SPEEDS = 0;
    o.NOMADS = 0;
    o.ALEX = 5.75f;
    o.FLAREX = 2.0f;
    o.FLAREF = 2.0f;
    o.BUSPCU[1] = 1.0f;
    o.KNOBS = 0;
    o.FILKNB = 0;
    o.XYFORM = 0;
    o.ParamFields.clear();
}

// Resolves a file name written in the network file: relative names against the
// network file's folder, then a case-insensitive match of each path element,
// since files written on other systems name their includes in any case.
std::string ResolveNetworkRelative(const TNetworkReader& r, const std::string& name)
{
    const std::string& networkDatFile = r.Settings.NetworkDatFile;
    fs::path p(name);
    if (p.is_relative() && !networkDatFile.empty())
        p = fs::path(networkDatFile).parent_path() / p;
    return FileUtils::FindFileCaseInsensitive(p.string());
}

void TestParamKeys(const TNetworkReader& r, const std::string& rawField, const std::string& originalField)
{
    TPalvonOptions& opt = Network.Options;
    std::string f = ZelUtils::RemoveBlanks(rawField);
    auto has = [&](const char* key) { return f.find(key) != std::string::npos; };
    if (has("DUTCH=T"))
        opt.DUTCH = 1;
    if (has("FOZZY=T"))
        opt.FOZZY = 1;
    if (has("UPBUS=T"))
        opt.UPBUS = 1;
    if (has("FREEXY=T"))
        opt.FREEXY = 1;
    if (has("KERMIT=T"))
        opt.KERMIT = 1;
    if (has("EZBUS=T"))
        opt.EZBUS = 1;
    if (has("SPEEDS=T"))
        opt.SPEEDS = 1;
    if (has("NOMADS="))
        opt.NOMADS = ZelUtils::IntAfterKey(f, "NOMADS=");
    if (has("FLAREX="))
        opt.FLAREX = ZelUtils::RealAfterKey(f, "FLAREX=");
    if (has("FLAREF="))
        opt.FLAREF = ZelUtils::RealAfterKey(f, "FLAREF=");
    if (has("ALEX="))
        opt.ALEX = ZelUtils::RealAfterKey(f, "ALEX=");
    if (has("BUSPCU="))
        opt.BUSPCU[1] = ZelUtils::RealAfterKey(f, "BUSPCU=");
    for (int k = 1; k <= 9; ++k) {
        std::string key = Format("BUSPCU(%d)=", k);
        if (has(key.c_str()))
            opt.BUSPCU[k] = ZelUtils::RealAfterKey(f, key);
    }
    if (has("KNOBS="))
        opt.KNOBS = ZelUtils::IntAfterKey(f, "KNOBS=");
    if (has("FILKNB=")) {
        opt.FILKNB = 1;
        // The name is taken as written (not upper-cased), so it can be found on a
        // case-sensitive file system.
        std::string o = ZelUtils::RemoveBlanks(originalField);
        std::string up = ZelUtils::UpperCase(o);
        size_t p = up.find("FILKNB=");
        std::string value = p == std::string::npos ? ValueAfterKey(f, "FILKNB=") : o.substr(p + 7);
        // A quoted name ends at its closing quote, so "&END" in the same field
        // does not become part of it.
        if (!value.empty() && (value.front() == '\'' || value.front() == '"')) {
            size_t close = value.find(value.front(), 1);
            value = value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        } else {
            size_t amp = value.find('&');
            if (amp != std::string::npos)
                value = value.substr(0, amp);
        }
        opt.FilknbFileName = ResolveNetworkRelative(r, value);
    }
    if (has("XYFORM=")) {
        opt.XYFORM = 1;
        opt.XyFormValue = ValueAfterKey(f, "XYFORM=");
    }
}

// Reads the lines of one section after its header, handing each to routine until
// a terminator. Returns the line after the terminator (the next candidate header).
template <class Routine>
std::string ReadSectionLines(TNetworkReader& r, const char* name, Routine routine, bool blankParentheses = false)
{
    // One buffer for every line of the section: each is copied into it, not
    // into a new string.
    std::string line = NextLine(r);
    for (;;) {
        if (r.AtEnd) {
            if (r.Settings.RefuseIncomplete)
                RefuseEarlyEnd(Format("sección %s sin línea final", name));
            WarnEarlyEnd(Format("sección %s sin línea final", name));
            return std::string();
        }
        line = ExpandIncludes(r, std::move(line));
        if (r.AtEnd)
            continue;
        if (blankParentheses)
            line = BlankParentheses(line);
        if (IsTerminator(line))
            break;
        routine(line);
        line.assign(NextLine(r));
    }
    std::string next = ReadLine(r);
    if (r.AtEnd)
        WarnEarlyEnd(Format("falta la línea final tras la sección %s", name));
    return next;
}

// True when only blank, comment or terminator lines come after the current line:
// a candidate header there is the file's spare end, not a section left unread.
bool OnlyEndLinesFollow(const TNetworkReader& r)
{
    for (size_t k = static_cast<size_t>(r.LineIndex) + 1; k < r.Lines->size(); ++k) {
        std::string_view l((*r.Lines)[k]);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        std::string text(l);
        if (!(IsBlank(text) || text[0] == '*' || IsTerminator(text)))
            return false;
    }
    return true;
}

bool MatchesFive(const std::string& line, const char* code) { return line.compare(0, 5, code) == 0; }
bool MatchesFirst(const TNetworkReader& r, const std::string& line, char c) { return !r.AtEnd && !line.empty() && line[0] == c; }

} // namespace

// ---------------------------------------------------------------------------

std::string Field(const std::string& line, int first, int width) { return ZelUtils::Copy(line, first, width); }

std::string_view FieldView(std::string_view line, int first, int width)
{
    first = std::max(first, 1);
    if (width <= 0 || first > static_cast<int>(line.size()))
        return std::string_view();
    return line.substr(static_cast<size_t>(first - 1), static_cast<size_t>(width));
}

bool SaysZero(std::string_view text)
{
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '0' && c != '.' && c != '-' && c != 'E' && c != 'e')
            return false;
    return true;
}

void LineAsRead(std::string_view raw, std::string& out)
{
    // Lines may end in CR when a CR LF file was split on LF only.
    if (!raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);
    // Upper-cased in place: one buffer serves every line of the text. Many
    // characters at a time: in each byte below 0x80 that is 'a'..'z' the 0x20 bit
    // is cleared; other bytes stay as they are.
    out.assign(raw);
    char* p = out.data();
    const size_t n = out.size();
    size_t i = 0;
#ifdef __SSE2__
    // Sixteen bytes a step, read from the text (not from the copy just written),
    // the last step over the line's last sixteen. Bytes from 0x80 compare below 'a'.
    if (n >= 16) {
        const __m128i beforeA = _mm_set1_epi8('a' - 1), afterZ = _mm_set1_epi8('z' + 1), bit = _mm_set1_epi8(0x20);
        for (;; i += 16) {
            const size_t at = std::min(i, n - 16);
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw.data() + at));
            const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(x, beforeA), _mm_cmpgt_epi8(afterZ, x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + at), _mm_xor_si128(x, _mm_and_si128(letters, bit)));
            if (at == n - 16)
                return;
        }
    }
#endif
    // Eight at a time, then one by one.
    constexpr uint64_t Ones = 0x0101010101010101ull;
    for (; i + 8 <= n; i += 8) {
        uint64_t x;
        std::memcpy(&x, p + i, 8);
        const uint64_t low = x & (0x7f * Ones);
        const uint64_t atLeastA = low + (0x80 - 'a') * Ones;  // high bit: byte >= 'a'
        const uint64_t aboveZ = low + (0x80 - 'z' - 1) * Ones; // high bit: byte > 'z'
        const uint64_t letters = atLeastA & ~aboveZ & ~x & (0x80 * Ones);
        if (letters != 0) {
            x ^= letters >> 2;
            std::memcpy(p + i, &x, 8);
        }
    }
    for (; i < n; ++i)
        if (p[i] >= 'a' && p[i] <= 'z')
            p[i] = static_cast<char>(p[i] - 'a' + 'A');
}

std::string ReadLine(TNetworkReader& r) { return NextLine(r); }

const std::string& NextLine(TNetworkReader& r)
{
    const TTextLines& lines = *r.Lines;
    for (;;) {
        ++r.LineIndex;
        if (r.LineIndex >= static_cast<int32_t>(lines.size())) {
            r.LineIndex = static_cast<int32_t>(lines.size());
            r.AtEnd = true;
            r.CurrentLine.clear();
            return r.CurrentLine;
        }
        const std::string_view raw = lines[static_cast<size_t>(r.LineIndex)];
        if (!raw.empty() && raw[0] == '*')
            continue;
        if (raw.find('\t') != std::string_view::npos) {
            ++r.TabWarnings;
            const std::string text(raw);
            if (r.TabWarnings <= MaxTabMessages)
                Services().ShowMessage(Format("ATENCION: Archivo tiene caracter \"TAB\". Lectura incierta\r%s\r", text));
            AddError(Format("Línea %d con caracter TAB: %s", r.LineIndex + 1 + r.PendingShift, text));
        }
        if (++r.ProgressStep >= 256) {
            r.ProgressStep = 0;
            Services().SetProgressPosition(r.LineIndex);
        }
        LineAsRead(raw, r.CurrentLine);
        return r.CurrentLine;
    }
}

void InsertLine(TNetworkReader& r, const std::string& text)
{
    // Includes that hold the current line grow by the new line; those after it move.
    const int32_t previous = r.LineIndex;
    for (auto& inc : r.IncludeRanges)
        if (inc.first <= previous && previous <= inc.last)
            ++inc.last;
        else if (inc.first > previous) {
            ++inc.first;
            ++inc.last;
        }
    ++r.LineIndex;
    FinishReadingAhead();
    r.Lines->Insert(static_cast<size_t>(r.LineIndex), text);
}

void InsertNotes(TNetworkReader& r, std::vector<std::string> notes)
{
    // Notes of an earlier read of this text stand right after the line: they are
    // replaced, so reading the text again never piles them up.
    const int32_t at = r.LineIndex + 1;
    int32_t old = 0;
    const int32_t size = static_cast<int32_t>(r.Lines->size());
    while (at + old < size && IsNote((*r.Lines)[static_cast<size_t>(at + old)]))
        ++old;
    bool same = old == static_cast<int32_t>(notes.size());
    for (int32_t k = 0; same && k < old; ++k)
        same = WithoutCr((*r.Lines)[static_cast<size_t>(at + k)]) == notes[static_cast<size_t>(k)];
    if (same)
        return;
    r.PendingShift += static_cast<int32_t>(notes.size()) - old;
    r.PendingEdits.push_back({at, old, std::move(notes)});
}

std::string ExpandIncludes(TNetworkReader& r, std::string line)
{
    while (!r.AtEnd && !line.empty() && line[0] == '$') {
        const std::string_view raw = (*r.Lines)[static_cast<size_t>(r.LineIndex)];
        std::string name = ZelUtils::Trim(ZelUtils::Copy(raw, 10, 80));
        int32_t dollarLine = r.LineIndex;
        // A text read before (reloaded, or saved and opened again) holds the
        // file's lines after the "$" line already: they are read as they stand,
        // with the user's edits, and the file is not inserted a second time.
        if (dollarLine + 1 < static_cast<int32_t>(r.Lines->size())) {
            std::string_view next = WithoutCr((*r.Lines)[static_cast<size_t>(dollarLine) + 1]);
            if (StartsWith(next, InsertMarker)) {
                int32_t end = EndOfInsertedBlock(r, dollarLine + 1);
                if (end < 0) {
                    // Where the inserted lines stop is no longer known: nothing is
                    // taken away or inserted again, the lines are read as they stand.
                    std::string msg = Format("INCLUDE %s: falta la línea \"%s\"; las líneas siguientes se leen "
                                             "como están",
                                             name, EndMarker + ZelUtils::Trim(std::string(next.substr(InsertMarker.size()))));
                    Services().ShowMessage(msg);
                    AddError(msg);
                    line = ReadLine(r);
                    continue;
                }
                if (ZelUtils::Trim(std::string(next.substr(InsertMarker.size()))) == name) {
                    std::error_code ec;
                    std::string path = name.empty() ? std::string() : ResolveNetworkRelative(r, name);
                    r.IncludeRanges.push_back({fs::weakly_canonical(path, ec).string(), dollarLine + 1, end});
                    line = ReadLine(r);
                    continue;
                }
                // The "$" line names another file now: the lines of the old one go.
                ReplaceLines(r, dollarLine + 1, end - dollarLine, TTextLines());
            }
        }
        std::string path = name.empty() ? std::string() : ResolveNetworkRelative(r, name);
        std::error_code ec;
        if (name.empty() || !fs::is_regular_file(path, ec)) {
            std::string msg = Format("INCLUDE %s no existe", name);
            Services().ShowMessage(msg);
            AddError(msg);
            line = ReadLine(r);
            continue;
        }
        std::string canonical = fs::weakly_canonical(path, ec).string();
        std::vector<const TNetworkReader::IncludeRange*> ancestors;
        for (const auto& inc : r.IncludeRanges)
            if (inc.first <= dollarLine && dollarLine <= inc.last)
                ancestors.push_back(&inc);
        const std::string& networkDatFile = r.Settings.NetworkDatFile;
        bool cycle = !networkDatFile.empty() && fs::weakly_canonical(networkDatFile, ec).string() == canonical;
        for (const auto* inc : ancestors)
            cycle = cycle || inc->path == canonical;
        if (cycle || ancestors.size() >= MaxIncludeDepth) {
            std::string msg = cycle ? Format("INCLUDE %s se incluye a sí mismo: no se vuelve a insertar", name)
                                    : Format("INCLUDE %s: demasiados archivos anidados", name);
            Services().ShowMessage(msg);
            AddError(msg);
            line = ReadLine(r);
            continue;
        }
        if (r.IncludedFiles >= MaxIncludedFiles)
            throw CapacityError(Format("más de %d archivos incluidos (INCLUDE %s)", MaxIncludedFiles, name));
        TTextLines fileLines;
        bool tooLarge = false;
        if (!ReadTextLines(path, fileLines, MaxIncludedBytes - r.IncludedBytes, &tooLarge)) {
            if (tooLarge)
                throw CapacityError(Format("INCLUDE %s: el archivo es más largo de lo que se puede incluir "
                                           "(o no tiene fin)",
                                           name));
            std::string msg = Format("INCLUDE %s no se puede leer", name);
            Services().ShowMessage(msg);
            AddError(msg);
            line = ReadLine(r);
            continue;
        }
        ++r.IncludedFiles;
        for (size_t k = 0; k < fileLines.size(); ++k)
            r.IncludedBytes += fileLines[k].size() + 2;
        if (r.IncludedBytes > MaxIncludedBytes)
            throw CapacityError(Format("los archivos incluidos suman más de %d MB (INCLUDE %s)",
                                       static_cast<int>(MaxIncludedBytes >> 20), name));
        // The whole file goes in at once, between its two marker lines.
        int32_t inserted = static_cast<int32_t>(fileLines.size()) + 2;
        fileLines.Insert(0, InsertMarker + name);
        fileLines.push_back(EndMarker + name);
        ReplaceLines(r, dollarLine + 1, 0, fileLines);
        r.IncludeRanges.push_back({canonical, dollarLine + 1, dollarLine + inserted});
        Services().SetProgressRange(0, static_cast<int>(r.Lines->size()) - 1);
        r.LineIndex = dollarLine;
        line = ReadLine(r);
    }
    return line;
}

bool IsTerminator(const std::string& line)
{
    if (line.empty() || line[0] != '9')
        return false;
    return line.compare(0, 5, "99999") == 0 || line.compare(0, 5, "9999 ") == 0 || line.compare(0, 4, "999 ") == 0 ||
           line.compare(0, 3, "99 ") == 0 || line.compare(0, 2, "9 ") == 0;
}

void AddError(const std::string& text) { Network.ErrorList.push_back(text); }

void SaveErrorList()
{
    std::string text;
    for (const auto& l : Network.ErrorList)
        text += l + "\r\n";
    // A log rewritten on every read: no need to wait for the disk each time. It is
    // written unasked, into whatever folder the network is in: never through a link.
    SafeFile::Write(Network.ErrorListFile, text, nullptr, false, true);
}

bool KeyInLine(std::string& s, const std::string& key)
{
    s = ZelUtils::RemoveBlanks(s);
    return s.find(key) != std::string::npos;
}

bool Contains(const std::string& key, const std::string& s) { return !key.empty() && s.find(key) != std::string::npos; }

std::string ValueAfterKey(const std::string& s, const std::string& key)
{
    size_t p = s.find(key);
    if (p == std::string::npos)
        return std::string();
    return s.substr(p + key.size());
}

bool IsBlank(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

bool IsNumber(const std::string& s, int32_t& value, int width)
{
    value = ZelUtils::ParseInt(s);
    return s == Format("%*d", width, value);
}

std::string BlankParentheses(const std::string& s)
{
    std::string out = s;
    size_t i = 0;
    while ((i = out.find('(', i)) != std::string::npos) {
        size_t j = out.find(')', i);
        if (j == std::string::npos)
            break;
        std::fill(out.begin() + static_cast<long>(i), out.begin() + static_cast<long>(j) + 1, ' ');
        i = j + 1;
    }
    return out;
}

void ParseXyForm(const std::string& value)
{
    std::string v = ZelUtils::Trim(ZelUtils::UpperCase(value));
    if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"'))
        v = v.substr(1);
    if (!v.empty() && (v.back() == '\'' || v.back() == '"'))
        v.pop_back();
    if (v.rfind("2F", 0) == 0 || v.rfind("2I", 0) == 0) {
        // The width is the integer after the prefix ("2F15.4" gives 15). Without
        // one the fields would be empty and every coordinate 0: keep the widths.
        int32_t width = ZelUtils::IntAfterKey(v, v.substr(0, 2));
        if (width > 0 && width <= MaxXyFormWidth) {
            Network.Options.XWidth = Network.Options.YWidth = width;
        } else if (width > MaxXyFormWidth) {
            // Column arithmetic on such a width would overflow, and no line is that wide.
            std::string msg = Format("XYFORM=%s: ancho de campo %d fuera de rango (1 a %d); se usan %d columnas",
                                     value, width, MaxXyFormWidth, Network.Options.XWidth);
            AddError(msg);
            Services().ShowMessage(msg);
        } else {
            AddError(
                Format("XYFORM=%s sin ancho de campo válido; se usan %d columnas", value, Network.Options.XWidth));
        }
    }
}

bool ReadNetwork(std::vector<std::string>& lines, const TReadSettings& settings)
{
    TTextLines text(lines);
    const bool ok = ReadNetwork(text, settings);
    lines = text.ToVector();
    return ok;
}

namespace {
// Ends a refused read: nothing of it stays in the model, the user reads why once.
bool Refuse(TNetworkReader& r, const std::string& error, const std::string& message)
{
    // A partly read model would look complete.
    AddError(error);
    ClearLinkValuesForRead(false);
    ClearNetwork();
    NodeKeyList.clear();
    ViewerServices& ui = Services();
    ui.SetStatusText(1, "");
    ui.SetProgressPosition(0);
    ui.SetProgressVisible(false);
    SaveErrorList();
    ui.ShowMessage(message);
    ApplyPendingEdits(r);
    r.Lines = nullptr;
    return false;
}
} // namespace

namespace {
std::atomic<int> networkReads{0};
} // namespace

int NetworkReads() { return networkReads.load(); }

bool ReadNetwork(TTextLines& lines, const TReadSettings& settings)
{
    ++networkReads;
    TNetworkReader r;
    r.Settings = settings;
    r.Lines = &lines;
    ViewerServices& ui = Services();
    // The memory of the link records is mapped while the later sections are read;
    // the read ends (however it ends) once that is done.
    struct StorageWait {
        ~StorageWait()
        {
            FinishLinkStorage();
            ClearLinkValuesForRead(false);
        }
    } storageWait;
    // "Errores.txt" lists what this read found, not what earlier networks had.
    Network.ErrorList.clear();
    Network.ErrorListFile = settings.ErrorListFile;
    try {
        ClearNetwork();
        ClearLinkValuesForRead(true);
        ResetSectionState();
        ui.SetProgressVisible(true);
        Network.Options.OptionLines.clear();
        Network.Options.PLOD = 0;
        // A read that ends early or is refused must not show the previous
        // network's title or transit columns.
        Network.Options.NetworkTitle.clear();
        Network.TransitBlockCount = 0;

        // A counts file is a ".dat" too and sits beside its network: picked in
        // its place it would run on as namelist fields and be refused as over
        // capacity, which tells the user nothing true.
        size_t opening = 0; // its first line that is not blank
        while (opening < r.Lines->size() && ZelUtils::RemoveBlanks((*r.Lines)[opening]).empty())
            ++opening;
        if (opening < r.Lines->size() &&
            ZelUtils::UpperCase(ZelUtils::RemoveBlanks((*r.Lines)[opening])).rfind("&COUNTS", 0) == 0)
            throw NotANetwork(Format("%s es un archivo de conteos, no una red: se abre con el filtro \"Conteos palvon\" "
                                     "sobre su red ya abierta.",
                                     r.Settings.NetworkDatFile.empty()
                                         ? std::string("El texto")
                                         : "El archivo " + fs::path(r.Settings.NetworkDatFile).filename().string()));

        // &OPTION: up to the line holding "&END".
        ui.SetStatusText(1, "&OPTION");
        for (;;) {
            std::string line = ReadLine(r);
            if (r.AtEnd)
                RefuseEarlyEnd("namelist &OPTION sin &END");
            if (static_cast<int>(Network.Options.OptionLines.size()) >= MaxOptionLines)
                throw CapacityError(Format("más de %d líneas en la namelist &OPTION", MaxOptionLines));
            Network.Options.OptionLines.push_back(line);
            std::string s = line;
            if (KeyInLine(s, "PLOD=T"))
                Network.Options.PLOD = 1;
            if (KeyInLine(s, "&END"))
                break;
        }

        ui.SetProgressRange(0, static_cast<int>(lines.size()) - 1);
        std::string line;
        Network.Options.NetworkTitle = ReadLine(r);
        TextCodec::UpperAccented(Network.Options.NetworkTitle);
        if (r.AtEnd)
            RefuseEarlyEnd("falta el título");

        // &PARAM: comma fields up to the one holding "&END".
        ResetNamelistValues();
        {
            ui.SetStatusText(1, "&PARAM");
            for (;;) {
                line = ReadLine(r);
                if (r.AtEnd)
                    RefuseEarlyEnd("namelist &PARAM sin &END");
                std::string original((*r.Lines)[static_cast<size_t>(r.LineIndex)]);
                if (!original.empty() && original.back() == '\r')
                    original.pop_back();
                std::vector<std::string> fields = ZelUtils::SplitString(line, ',');
                std::vector<std::string> originalFields = ZelUtils::SplitString(original, ',');
                for (size_t k = 0; k < fields.size(); ++k) {
                    if (static_cast<int>(Network.Options.ParamFields.size()) >= MaxParamFields)
                        throw CapacityError(Format("más de %d campos en la namelist &PARAM", MaxParamFields));
                    Network.Options.ParamFields.push_back(fields[k]);
                    TestParamKeys(r, fields[k], k < originalFields.size() ? originalFields[k] : fields[k]);
                }
                if (ZelUtils::RemoveBlanks(fields.back()).find("&END") != std::string::npos)
                    break;
            }
        }
        if (Network.Options.NOMADS == 1)
            Network.Options.NOMADS = 0;
        Network.Options.NodeWidth = Network.Options.DUTCH ? 10 : 5;
        if (Network.Options.XYFORM)
            ParseXyForm(Network.Options.XyFormValue);

        PrepareLinkStorage(r);

        line = ReadLine(r);
        if (r.AtEnd)
            RefuseEarlyEnd("no hay secciones tras las namelists");

        // Sections, in their fixed order; a section that does not match is skipped
        // and the same candidate line is tried against the next one.
        if (!r.AtEnd && MatchesFive(line, "11111")) {
            Network.SectionPresent[0] = 1;
            Network.NoJunctionData = 0;
            ui.SetMenuItemEnabled("AnalisisIntersecciones", true);
            StartSection(0);
            line = ReadSectionLines(r, "11111", [&r](std::string& l) { ReadJunctionLine(r, l); });
        }
        MakeLinksFromArms();
        MakeMovementsFromTurns();

        if (!r.AtEnd && MatchesFive(line, "22222")) {
            Network.SectionPresent[1] = 1;
            Network.NoJunctionData = 0;
            StartSection(1);
            line = ReadSectionLines(r, "22222", ReadSection22222Line);
        }

        if (!r.AtEnd && MatchesFive(line, "33333")) {
            Network.SectionPresent[2] = 1;
            StartSection(2);
            line = ReadSectionLines(r, "33333", [&r](std::string& l) { ReadLinkLine(r, l); });
        }
        // Without junctions or links there is no network to show (nor to ask the
        // coordinates of): the text is refused whoever reads it, an opening, the
        // text window's reload or a batch, and the network in memory stays.
        if (!Network.SectionPresent[0] && !Network.SectionPresent[1] && !Network.SectionPresent[2])
            throw NotANetwork(Format("%s no tiene ninguna sección de nodos ni de arcos (11111, 22222 o 33333).",
                                     r.Settings.NetworkDatFile.empty()
                                         ? std::string("El texto")
                                         : "El archivo " + fs::path(r.Settings.NetworkDatFile).filename().string()));

        SortNodes();
        // The links' records in the order of their nodes, now that these are sorted.
        // Links made in order, their nodes found as they were made, need neither
        // the sort nor the pass over their records: both would only read every
        // record again to find what it holds already.
        const bool linksInOrder = MakePendingLinks(r);
        if (!linksInOrder)
            SortLinks();
        SortMovements();
        LinkNodesPass(linksInOrder);
        PostLinkPass();
        ReadNodeDataList();
        if (Network.Options.FILKNB)
            ReadDataLists();
        StagePass();

        if (MatchesFirst(r, line, '4')) {
            Network.SectionPresent[3] = 1;
            StartSection(3);
            line = ReadSectionLines(r, "44444", ReadSection44444Line);
            MarkIsolatedNodes();
            MarkIsolatedZones();
        }

        if (MatchesFirst(r, line, '5')) {
            Network.SectionPresent[4] = 1;
            StartSection(4);
            if (Network.Options.FREEXY)
                line = ReadSectionLines(r, "55555", ReadFreeCoordinateLine);
            else
                line = ReadSectionLines(r, "55555", ReadCoordinateLine);
            GeographicTestAndExtent();
            ReportUnusedLanes();
        }

        Network.TransitBlockCount = 0;
        while (MatchesFirst(r, line, '6')) {
            ++Network.TransitBlockCount;
            Network.SectionPresent[5] = 1;
            StartSection(5);
            int block = Network.TransitBlockCount;
            line = ReadSectionLines(
                r, "66666",
                [&r, block](std::string& l) {
                    if (r.Settings.ReadTransitLines)
                        ReadTransitLine(r, l, block);
                    else if (!IsBlank(l)) // a section with no line read over is no line left out
                        Network.TransitLinesReadOver = 1;
                },
                Network.Options.UPBUS != 0);
        }

        // Blocks beyond the last vehicle variables are read over and reported by the line parser.
        Network.TransitBlockCount = std::min(Network.TransitBlockCount, MaxTransitBlocks);
        ReportTransitSummary();

        if (MatchesFirst(r, line, '7')) {
            Network.SectionPresent[6] = 1;
            StartSection(6);
            line = ReadSectionLines(r, "77777", [](std::string&) {});
        }

        if (MatchesFirst(r, line, '8')) {
            Network.SectionPresent[7] = 1;
            StartSection(7);
            line = ReadSectionLines(r, "88888", ReadSection88888Line);
        }

        // A line that opens no later section ends the reading: say so, unless it is
        // a spare terminator or blank line with nothing but such lines after it (a
        // blank line between two sections still leaves the later one unread).
        if (!r.AtEnd && !((IsBlank(line) || IsTerminator(line)) && OnlyEndLinesFollow(r))) {
            std::string msg = Format("La línea %d no corresponde a ninguna sección esperada; "
                                     "no se leyó desde ahí:\r%s",
                                     r.LineIndex + 1 + r.PendingShift, line);
            ui.ShowMessage(msg);
            AddError(Format("Lectura terminada en la línea %d: %s", r.LineIndex + 1 + r.PendingShift, line));
        }
        if (r.TabWarnings > MaxTabMessages)
            ui.ShowMessage(Format("ATENCION: %d líneas más con caracter \"TAB\" (ver Errores.txt)", r.TabWarnings - MaxTabMessages));
    } catch (const CapacityError& e) {
        return Refuse(r, "Red rechazada: " + std::string(e.what()),
                      "La red excede la capacidad del programa:\r" + std::string(e.what()) + "\rLa red no se ha cargado.");
    } catch (const NotANetwork& e) {
        return Refuse(r, "Red rechazada: " + std::string(e.what()), std::string(e.what()) + "\rLa red no se ha cargado.");
    }

    ui.SetStatusText(1, "");
    Network.Loaded = 1;
    if (!settings.KeepGauge) {
        ui.SetProgressPosition(0);
        ui.SetProgressVisible(false);
    }
    SaveErrorList();
    ApplyPendingEdits(r);
    r.Lines = nullptr;
    return true;
}

} // namespace PalvonRead

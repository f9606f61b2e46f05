#include "printing/BatchPrint.h"
#include "model/SafeFile.h"

#include "model/ZelUtils.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

namespace BatchPrint {

std::string PictureCaption(const std::string& redPalvon, const std::string& attributeTitle)
{
    return ZelUtils::Format("Red: %s      Atributo: %s", redPalvon, attributeTitle);
}

// The pictures' names are made up by the batch, never chosen by the user: a
// link put under one is not followed into whatever file it leads to.
static bool PrintPicture(Hooks& hooks, const std::string& metafile, const TPrintSettings& pages)
{
    const SafeFile::TProgramNamed ownNames;
    return hooks.PrintView(metafile, pages);
}

std::string NetworkMetafile(const std::string& wordDocumentName, const std::string& networkFile,
                            const std::string& definitionFolder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder;
    if (wordDocumentName != "null" && !wordDocumentName.empty())
        folder = fs::absolute(wordDocumentName, ec).parent_path();
    else if (!definitionFolder.empty())
        folder = definitionFolder; // without a document, beside the definition (never the folder the program started in)
    else
        folder = fs::current_path(ec);
    fs::path name = fs::path(networkFile).filename();
    name.replace_extension(".emf");
    return (folder / name).string();
}

std::string VariableMetafile(const std::string& baseName, const std::string& header)
{
    std::filesystem::path p(baseName);
    p.replace_extension();
    return p.string() + ZelUtils::Format("_%s.emf", ZelUtils::Trim(header));
}

int TableRows(int count, int columns)
{
    if (columns <= 0)
        return 1;
    int rows = ZelUtils::Round(static_cast<double>(count) / columns);
    return rows < 1 ? 1 : rows;
}

bool NextCell(int& row, int& column, int columns, int rows)
{
    if (columns <= 0)
        return false;
    ++column;
    if (column > columns) {
        column = 1;
        ++row;
    }
    return row <= rows;
}

std::vector<NamedVariable> PairTitles(const std::string& names, const std::string& titles)
{
    std::vector<NamedVariable> out;
    if (ZelUtils::Trim(names).empty())
        return out;
    std::vector<std::string> n = ZelUtils::SplitString(names, ',');
    std::vector<std::string> t = ZelUtils::SplitString(titles, ',');
    for (size_t j = 0; j < n.size(); ++j) {
        NamedVariable v;
        v.Name = ZelUtils::Trim(n[j]);
        v.Title = j < t.size() && !ZelUtils::Trim(t[j]).empty() ? t[j] : n[j];
        if (!v.Name.empty())
            out.push_back(v);
    }
    return out;
}

} // namespace BatchPrint

// ---- The batch ----
#include "model/FileUtils.h"
#include "model/ViewerServices.h"
#include "printing/Net2Print.h"
#include "printing/ReportWriter.h"

namespace BatchPrint {

namespace {

// The pictures' files of one run. A picture whose file was there before the run
// is drawn into a folder aside (the document takes it from there) and put over
// that file only at the end, once the document is written: in a run that asks
// before replacing, on the user's yes.
class Pictures {
public:
    explicit Pictures(Hooks& hooks) : hooks_(hooks) {}

    // Prints into `metafile` or aside; the file drawn into in `drawn`.
    bool Print(const std::string& metafile, const TPrintSettings& pages, std::string& drawn)
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        const std::string final = fs::absolute(metafile, ec).string();
        drawn = metafile;
        auto aside = aside_.find(final);
        if (aside == aside_.end() && !written_.count(final) &&
            fs::symlink_status(metafile, ec).type() != fs::file_type::not_found && Replaceable(metafile)) {
            auto& dir = folders_[fs::path(final).parent_path().string()];
            if (!dir)
                dir = std::make_unique<SafeFile::TScratchDir>(final);
            if (dir->Ok())
                aside = aside_.emplace(final, dir->Path() + "/" + fs::path(final).filename().string()).first;
        }
        if (aside != aside_.end())
            drawn = aside->second;
        else
            written_.insert(final);
        return PrintPicture(hooks_, drawn, pages);
    }

    // The files there before the run, replaced on a yes; false when one of them
    // could not be written (the user is told).
    bool Replace()
    {
        if (aside_.empty())
            return true;
        std::vector<std::string> files;
        for (const auto& [final, drawn] : aside_)
            files.push_back(final);
        if (hooks_.AsksBeforeReplacing() && !hooks_.MayReplace(files))
            return true;
        // All of them or none: one that cannot be replaced by now (made read-only
        // while the question waited, a full disk) leaves every earlier picture whole.
        // Each picture goes beside its file as it is read, one at a time in memory.
        SafeFile::TSetWriter set(true);
        for (const auto& [final, drawn] : aside_) {
            std::string bytes;
            if (!FileUtils::ReadFile(drawn, bytes)) {
                Services().ShowMessage(FileUtils::WriteFailure(final));
                return false;
            }
            if (!set.Add(final, bytes))
                break;
        }
        if (!set.Commit()) {
            Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
            return false;
        }
        return true;
    }

private:
    // A file the run could replace (one it cannot is printed into as before, which
    // says why).
    static bool Replaceable(const std::string& metafile)
    {
        const SafeFile::TProgramNamed ownNames;
        return SafeFile::Refusal(metafile).empty();
    }

    Hooks& hooks_;
    std::set<std::string> written_;                  // files drawn under their own name
    std::map<std::string, std::string> aside_;       // file there before -> drawn aside
    std::map<std::string, std::unique_ptr<SafeFile::TScratchDir>> folders_;
};

struct Layout {
    explicit Layout(const TPrintDefinition& d) : definition(d), report(d) {}
    const TPrintDefinition& definition;
    TReportWriter report;
    bool document = false;
    int rows = 1;
    int row = 1;
    int column = 0;
    int misplaced = 0;  // pictures beyond the table's cells
};

void Place(Layout& l, const std::string& metafile, int entry, const std::string& caption)
{
    if (!l.document)
        return;
    if (l.definition.PrintInColumns) {
        if (!NextCell(l.row, l.column, l.definition.PrintColumns, l.rows)) {
            ++l.misplaced;
            return;
        }
        l.report.CurrentNet = entry;
        l.report.WordCellPicture(metafile, l.report.WordTableCount, l.row, l.column, caption);
    } else {
        l.report.WordPicture(metafile, entry, caption);
    }
}

// The name chosen is a variable of the kind its group draws: a link variable for
// the bands and the colour classes, a movement variable for the movement
// attributes; in the view's own mode, one of the kinds searched.
bool Found(int group, const Hooks::Choice& c)
{
    switch (group) {
    case 1:
    case 2:
        return !c.LinkHeader.empty();
    case 3:
        return !c.MovementHeader.empty();
    default:
        return !c.Searched || !c.LinkHeader.empty() || !c.MovementHeader.empty();
    }
}

} // namespace

bool Run(Hooks& hooks, const TPrintDefinition& definition, TPrintSettings pages)
{
    const int count = std::min<int>(definition.Net2PrintCount, MaxNet2Print + 1);
    // A batch with no network to print would only close and reopen the user's
    // network: it changes nothing and says why.
    bool anyNetwork = false;
    for (int i = 0; i < count; ++i) {
        const std::string& network = definition.Net2Print[size_t(i)].NetworkFile;
        anyNetwork = anyNetwork || (network != "null" && !network.empty());
    }
    if (!anyNetwork) {
        Services().ShowMessage(definition.Net2PrintCount < 1
                                   ? "No hay redes que imprimir: elija primero una definici\xC3\xB3n con \xC2\xAB"
                                     "Definir Redes\xC2\xBB."
                                   : "La definici\xC3\xB3n de impresi\xC3\xB3n no nombra ninguna red (clave "
                                     "\xC2\xABRedPalvon\xC2\xBB): no se imprimi\xC3\xB3 nada.");
        return false;
    }
    // A network or a file of its own that is not there would stop the batch half-way
    // or print its pictures without what the definition asks for: nothing is
    // printed, and the lines that name them are told.
    if (const std::string gone = Net2PrintFile::FilesNotThere(definition, true); !gone.empty()) {
        Services().ShowMessage("No se imprimi\xC3\xB3 nada: la definici\xC3\xB3n de impresi\xC3\xB3n nombra archivos "
                               "que no se encuentran:" + gone);
        return false;
    }
    // A definition may name a document anywhere: one outside its folder is refused.
    const std::optional<std::string> target = Net2PrintFile::DocumentTarget(definition);
    if (!target)
        return false;
    const std::string document = *target;
    if (!hooks.MayStart())
        return false;
    hooks.SaveState();
    bool ok = true;
    Pictures pictures(hooks);
    std::string missing; // the names that are no variable of their group's kind
    Layout l(definition);
    l.document = document != "null" && !document.empty();
    hooks.Gauge("Preparando documento ...", 0, count);
    // Every picture is the window chosen for its network, cut to its extent.
    pages.PrintToExtent = true;
    if (l.document) {
        l.report.WordOpen(pages);
        if (definition.PrintInColumns) {
            l.rows = TableRows(count, definition.PrintColumns);
            ++l.report.WordTableCount;
            l.report.WordAddTable(l.rows, definition.PrintColumns, "null");
            l.report.WordTablePlain(l.report.WordTableCount);
        } else {
            l.report.WordAddText("");
            l.report.WordAddText("");
            l.report.WordSectionBreak();
        }
    }
    hooks.Gauge("Generando documento " + std::filesystem::path(document).filename().string() + " ...  ", 0, count);

    for (int i = 0; i < count && ok; ++i) {
        hooks.Gauge(std::string(), i + 1, count);
        const TNet2Print& e = definition.Net2Print[i];
        if (e.NetworkFile == "null")
            continue;
        Services().SetStatusText(0, ZelUtils::Format("%s (%d/%d)", e.NetworkFile, i + 1, count));
        Services().ProcessEvents();
        if (!hooks.OpenEntry(i, e)) {
            // The network's reader said why; the user is told what was left undone.
            Services().ShowMessage(
                "Impresi\xC3\xB3n de redes detenida: no se pudo leer la red " + e.NetworkFile +
                (l.document ? ". No se escribi\xC3\xB3 el documento " + document + "." : "."));
            ok = false;
            break;
        }
        const bool multiple = e.VarMultiple > 1;
        std::string metafile = NetworkMetafile(document, e.NetworkFile, definition.DefinitionFolder);
        for (int k = 0; k <= 3 && ok; ++k) {
            std::vector<NamedVariable> vars = PairTitles(e.Vars[k], e.VarTitles[k]);
            // A group without names draws nothing and sets no mode for the next.
            if (vars.empty())
                continue;
            hooks.SetGroupMode(k, multiple);
            bool anyFound = false;
            bool movement = false; // the picture shows movements: their caption
            for (const NamedVariable& v : vars) {
                const bool none = ZelUtils::UpperCase(v.Name) == "NONE";
                if (none)
                    hooks.ClearMode();
                Hooks::Choice c = hooks.SelectVariable(v.Name, v.Title, multiple);
                if (!none && !Found(k, c)) {
                    // Printed, it would draw another column (or movements under no
                    // title) into the file of the picture before it.
                    missing += ZelUtils::Format("\r%s: %s", std::filesystem::path(e.NetworkFile).filename().string(),
                                                ZelUtils::Trim(v.Name));
                    continue;
                }
                anyFound = true;
                movement = k == 3 || (c.LinkHeader.empty() && !c.MovementHeader.empty());
                if (!c.LinkHeader.empty())
                    metafile = VariableMetafile(e.NetworkFile, c.LinkHeader);
                if (!c.MovementHeader.empty())
                    metafile = VariableMetafile(metafile, c.MovementHeader);
                if (multiple)
                    continue;
                std::string drawn;
                if (!pictures.Print(metafile, pages, drawn)) {
                    ok = false;
                    break;
                }
                Place(l, drawn, i, PictureCaption(e.RedPalvon, hooks.AttributeTitle(movement)));
            }
            if (ok && multiple && anyFound) {
                hooks.SetMultipleColors();
                std::string drawn;
                if (!pictures.Print(metafile, pages, drawn)) {
                    ok = false;
                    break;
                }
                Place(l, drawn, i, PictureCaption(e.RedPalvon, hooks.AttributeTitle(movement)));
            }
        }
    }

    hooks.Gauge("Cerrando documento ...", count, count);
    // A batch cut short leaves no half-filled document behind, and
    // one whose document cannot be written (it holds the pictures already) replaces
    // none of the user's files: the document first, the pictures after it.
    if (ok && l.document && !l.report.WordSaveAs(document))
        ok = false;
    if (ok && !pictures.Replace())
        ok = false;
    if (!missing.empty())
        Services().ShowMessage("Variables que no est\xC3\xA1n en su red (no se imprimieron sus im\xC3\xA1genes):" +
                               missing);
    if (l.misplaced > 0)
        Services().ShowMessage(ZelUtils::Format(
            "La tabla del documento no tiene celdas para %d im\xC3\xA1genes: no se incluyeron.", l.misplaced));
    hooks.HideGauge();
    hooks.RestoreState();
    return ok;
}

} // namespace BatchPrint

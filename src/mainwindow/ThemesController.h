#pragma once
// Themes: named view configurations kept one per section of the themes file
// ("Velmorat.INI"). Owns the name of the theme last defined or applied, the handlers
// of "Definir" and "Aplicar" (menu "Temas") and of "Copiar Tema" / "Pegar Tema"
// (menu "&Editar", through the theme clipboard section), and registers those rows.
// A theme is the settings' view configuration (TSettingsController) under a name.
#include <string>

class TCommandRegistry;
class TPalvonViewer;

class TThemesController {
public:
    explicit TThemesController(TPalvonViewer& viewer) : viewer_(viewer) {}

    // The handlers of the rows owned by the themes (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // The theme last defined or applied during the run; empty at start.
    const std::string& ThemeName() const { return themeName_; }

    // Asks for a name and writes the current view as that theme.
    void Definir1Click();
    // Lists the themes in the themes window and applies the one chosen.
    void Aplicar1Click();
    // The current view into the theme clipboard section (the window bounds as text).
    void CopiarTema1Click();
    // The theme clipboard section applied, when there is one.
    void PegarTema1Click();

private:
    // A one-line input box; `text` comes in as the proposed text. False when cancelled.
    bool AskText(const std::string& caption, const std::string& prompt, std::string& text);

    TPalvonViewer& viewer_;
    std::string themeName_;
};

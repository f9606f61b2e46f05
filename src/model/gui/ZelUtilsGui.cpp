#include "model/gui/ZelUtilsGui.h"
#include "platform/ImageFile.h"

#include "model/ZelUtils.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace ZelUtils {

QSize AverageCharSize(const QFont& font, QPaintDevice* device)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QFontMetrics fm = device ? QFontMetrics(font, device) : QFontMetrics(font);
    return QSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

namespace {

struct NamedColour {
    const char* name;
    int32_t value; // 0x00BBGGRR
};

const NamedColour Colours[] = {
    {"Negro", 0x000000},        {"Granate", 0x000080},  {"Verde", 0x008000},  {"Oliva", 0x008080},
    {"Azul marino", 0x800000},  {"Púrpura", 0x800080},  {"Verde azulado", 0x808000},
    {"Gris", 0x808080},         {"Plata", 0xC0C0C0},    {"Rojo", 0x0000FF},   {"Lima", 0x00FF00},
    {"Amarillo", 0x00FFFF},     {"Azul", 0xFF0000},     {"Fucsia", 0xFF00FF}, {"Aguamarina", 0xFFFF00},
    {"Blanco", 0xFFFFFF},
};

QIcon Swatch(int32_t value)
{
    QPixmap pm(16, 12);
    pm.fill(QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF));
    return QIcon(pm);
}

QComboBox* MakeColourBox(QWidget* parent, int32_t value)
{
    auto* box = new QComboBox(parent);
    int current = -1;
    for (const NamedColour& c : Colours) {
        box->addItem(Swatch(c.value), QString::fromUtf8(c.name), c.value);
        if (c.value == value)
            current = box->count() - 1;
    }
    if (current < 0) {
        // A colour outside the list stays selectable, so accepting never changes it.
        box->insertItem(0, Swatch(value), QStringLiteral("Personalizado"), value);
        current = 0;
    }
    box->setCurrentIndex(current);
    return box;
}

QString Caption(const QAction* action)
{
    QString text = action->text();
    text.remove(QLatin1Char('&'));
    return text;
}

bool IsSeparator(const QAction* action) { return action->isSeparator() || action->text() == QLatin1String("-"); }

void AddSubItems(const QAction* item, QTreeWidgetItem* node)
{
    if (!item->menu())
        return;
    for (QAction* sub : item->menu()->actions()) {
        if (IsSeparator(sub))
            continue;
        auto* child = new QTreeWidgetItem(node, QStringList(Caption(sub)));
        AddSubItems(sub, child);
    }
}

} // namespace

bool InputFieldsDialog(const std::string& title, const std::vector<std::string>& prompts,
                       const std::vector<int32_t>& kinds, std::vector<QVariant>& values)
{
    const int n = static_cast<int>(prompts.size());
    const QString caption = QString::fromStdString(title);

    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.setObjectName(QStringLiteral("InputFieldsDialog"));
    const QSize unit = AverageCharSize(dialog.font());
    // Dialog units: a quarter of the average character width, an eighth of its height.
    auto px = [&](int x) { return Round(double(x) * unit.width() / 4.0); };
    auto py = [&](int y) { return Round(double(y) * unit.height() / 8.0); };

    const int w = std::max(180, 4 * static_cast<int>(caption.size()));
    dialog.setFixedSize(px(w), py(27 * (std::max(n, 1) - 1) + 63));

    std::vector<QWidget*> editors(static_cast<size_t>(n), nullptr);
    for (int i = 0; i < n; ++i) {
        const int32_t kind = i < static_cast<int>(kinds.size()) ? kinds[static_cast<size_t>(i)] : FieldText;
        const QVariant value = i < static_cast<int>(values.size()) ? values[static_cast<size_t>(i)] : QVariant(QString());

        auto* label = new QLabel(QString::fromStdString(prompts[static_cast<size_t>(i)]), &dialog);
        label->setObjectName(QStringLiteral("lblField%1").arg(i));
        label->move(px(8), py(27 * i + 8));
        label->adjustSize();

        const int top = py(27 * i + 17);
        const int width = px(w - 16);
        if (kind == FieldText) {
            auto* edit = new QLineEdit(&dialog);
            edit->setMaxLength(255);
            edit->setText(value.toString());
            edit->selectAll();
            edit->setGeometry(px(8), top, width, edit->sizeHint().height());
            editors[static_cast<size_t>(i)] = edit;
        } else if (kind == FieldFileName) {
            auto* edit = new QLineEdit(&dialog);
            edit->setText(value.toString());
            auto* browse = new QToolButton(&dialog);
            browse->setObjectName(QStringLiteral("btnBrowse%1").arg(i));
            browse->setText(QStringLiteral("..."));
            const int h = edit->sizeHint().height();
            browse->setGeometry(px(8) + width - h, top, h, h);
            edit->setGeometry(px(8), top, width - h, h);
            QObject::connect(browse, &QToolButton::clicked, &dialog, [&dialog, edit] {
                QString name = QFileDialog::getOpenFileName(&dialog, QString(), edit->text());
                if (!name.isEmpty())
                    edit->setText(name);
            });
            editors[static_cast<size_t>(i)] = edit;
        } else if (kind == FieldColour) {
            QComboBox* box = MakeColourBox(&dialog, value.toInt());
            box->setGeometry(px(8), top, width, box->sizeHint().height());
            editors[static_cast<size_t>(i)] = box;
        }
        if (QWidget* e = editors[static_cast<size_t>(i)])
            e->setObjectName(QStringLiteral("edField%1").arg(i));
    }

    const int buttonsTop = py(27 * (std::max(n, 1) - 1) + 41);
    const int left = Round((w - 104) / 2.0);
    auto* ok = new QPushButton(QStringLiteral("Ok"), &dialog);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    ok->setGeometry(px(left), buttonsTop, px(50), py(14));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(px(left + 54), buttonsTop, px(50), py(14));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (n > 0 && editors[0])
        editors[0]->setFocus();

    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (static_cast<int>(values.size()) < n)
        values.resize(static_cast<size_t>(n), QVariant(QString()));
    for (int i = 0; i < n; ++i) {
        QWidget* e = editors[static_cast<size_t>(i)];
        if (auto* edit = qobject_cast<QLineEdit*>(e))
            values[static_cast<size_t>(i)] = edit->text();
        else if (auto* box = qobject_cast<QComboBox*>(e))
            values[static_cast<size_t>(i)] = box->currentData().toInt();
    }
    return true;
}

bool InputInteger(const std::string& title, const std::string& prompt, QVariant& value, int32_t kind)
{
    std::vector<QVariant> values{value};
    if (!InputFieldsDialog(title, {prompt}, {kind}, values))
        return false;
    value = values[0];
    return true;
}

bool InputIntegerEx(const std::string& title, const std::string& prompt1, const std::string& prompt2,
                    QVariant& value1, QVariant& value2, int32_t kind1, int32_t kind2)
{
    std::vector<QVariant> values{value1, value2};
    if (!InputFieldsDialog(title, {prompt1, prompt2}, {kind1, kind2}, values))
        return false;
    value1 = values[0];
    value2 = values[1];
    return true;
}

bool SaveBitmap(QWidget* control, const std::string& fileName)
{
    if (!control)
        return false;
    QImage image = control->grab().toImage();
    return ImageFile::Save(image, fileName, "BMP");
}

void MenuWalk(QWidget* menu, QTreeWidget* tree, bool allLevels)
{
    if (!menu || !tree)
        return;
    auto* root = new QTreeWidgetItem(tree, QStringList(menu->objectName()));
    for (QAction* item : menu->actions()) {
        if (IsSeparator(item))
            continue;
        auto* node = new QTreeWidgetItem(root, QStringList(Caption(item)));
        if (allLevels)
            AddSubItems(item, node);
    }
}

void MenuWalk2(QAction* item, QTreeWidget* tree)
{
    if (!item || !tree)
        return;
    auto* root = new QTreeWidgetItem(tree, QStringList(Caption(item)));
    AddSubItems(item, root);
}

void SaveFullBitmap(QWidget* menu, QWidget* parent)
{
    if (!menu)
        return;
    auto* tree = new QTreeWidget(parent);
    tree->setHeaderHidden(true);
    tree->setGeometry(0, 0, 200, 1700);
    QPalette pal = tree->palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 213));
    tree->setPalette(pal);

    const std::string name = menu->objectName().toStdString();
    auto save = [tree](const std::string& file) {
        tree->expandAll();
        SaveBitmap(tree, file);
        tree->clear();
    };
    MenuWalk(menu, tree, true);
    save(name + "_full.BMP");
    MenuWalk(menu, tree, false);
    save(name + ".BMP");
    for (QAction* item : menu->actions()) {
        if (IsSeparator(item))
            continue;
        MenuWalk2(item, tree);
        // A '/' in a caption would name a folder; the file keeps the caption otherwise.
        save(Caption(item).replace(QLatin1Char('/'), QLatin1Char('_')).toStdString() + ".BMP");
    }
    delete tree;
}

} // namespace ZelUtils

#pragma once
// The two-list chooser of the main window (`dld`): a list of available entries and a
// list of chosen ones, with buttons (and double clicks) that move entries between
// them. Each entry carries a value of the caller's (a record index, a grid row...).
#include <QDialog>
#include <QString>
#include <QVariant>

#include <cstdint>

class QLabel;
class QListWidget;
class QPushButton;

// Grid row and record index attached to an entry of the two-list dialog.
struct TIntPair {
    int32_t Row = 0;
    int32_t Index = 0;
};
Q_DECLARE_METATYPE(TIntPair)

class TDualListDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDualListDialog(QWidget* parent = nullptr);

    // Empties both lists (title, captions and sorting stay).
    void Clear();
    void SetTitle(const QString& title) { setWindowTitle(title); }
    void SetLabels(const QString& list1, const QString& list2);
    // Sorted lists keep their entries in text order, also after moves.
    void SetSorted(bool sorted);
    bool Sorted() const { return sorted_; }

    // list: 1 (available) or 2 (chosen).
    void AddItem(int list, const QString& text, const QVariant& data = QVariant());
    int Count(int list) const;
    QString Text(int list, int i) const;
    QVariant Data(int list, int i) const;

    // Moves the entries at these rows (or all) from one list to the other.
    void Move(int fromList, const QList<int>& rows);
    void MoveAll(int fromList);

    // Shows the dialog modally; true when the user confirmed.
    bool Execute();

    QListWidget* List1 = nullptr;
    QListWidget* List2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

private:
    QListWidget* ListOf(int list) const { return list == 2 ? List2 : List1; }
    void MoveSelected(int fromList);
    void UpdateButtons();

    bool sorted_ = false;
    QPushButton* toRight_ = nullptr;
    QPushButton* allRight_ = nullptr;
    QPushButton* toLeft_ = nullptr;
    QPushButton* allLeft_ = nullptr;
};

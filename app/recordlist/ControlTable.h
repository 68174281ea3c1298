#pragma once

#include <QGridLayout>
#include <QString>
#include <QWidget>

#include <span>

// Windows of the recording list are built from tables: one row per control
// with its object name, its kind, its caption and its cell in the page's
// grid. Controls are then found by their names, which are constants
// (RecListNames), so a misspelt name is a compile error rather than a
// missing control.
enum class ControlKind {
    Label,     // caption: the text
    Button,    // caption: the text
    Check,     // a check box; caption: the text
    PicButton, // a calendar picture button; caption: its tool tip
    Text,      // a text field; caption: the hint shown while empty
    ReadOnly,  // a text field filled by the window; caption: the hint
    Choice,    // a choice list; caption: the text shown while nothing is chosen
    FileList,  // a list of files
    Grid,      // a table
};

struct ControlRow {
    const char* name;
    ControlKind kind;
    const char* caption;
    int row;
    int column;
    int rowSpan = 1;
    int columnSpan = 1;
};

// Creates the controls of `rows` as children of `page`, named and placed in
// `grid`. Returns nothing; find them with child<T>(page, name).
void buildControls(QWidget* page, QGridLayout* grid, std::span<const ControlRow> rows);

// The control named `name` below `parent`; the table guarantees it exists
// and has that type (checked: a wrong pairing aborts at the first use).
template <typename T>
T* child(const QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "child", name);
    if (!found)
        qFatal("no control %s", name);
    return found;
}

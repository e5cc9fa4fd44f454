#pragma once
// One tool record: the same record describes a definition in the tool collection and
// each entry on a band (an entry starts as a copy of its definition and keeps what
// differs, such as its own sub-band or caption).
#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tav::toolbars {

// Stored control-type codes of a tool.
enum class ToolKind : int {
    Button = 0,   // button or menu entry; with a sub-band it opens that popup
    DropDown = 1, // main part is a tool, the arrow opens the sub-band
    Combo = 2,    // combo box
    Text = 3,     // text field
    Separator = 5,
    Progress = 6,   // progress bar
    Host = 7,       // hosts a window of the application
    WindowList = 8, // list of the open child windows
};

// The component's own tools, which the host never sees in a click.
enum class BuiltIn { None, Customize, BandToggle, Separator };

struct Tool {
    QString name;
    uint32_t id = 0;
    ToolKind kind = ToolKind::Button;
    QString caption; // '&' marks the accelerator letter
    QString tooltip;
    QString description;
    QString category;
    QString subBand;   // popup band opened by the tool; may name no band at all
    QString text;      // current text of a text field
    QStringList items; // list entries of a combo box, in order
    int image = -1;    // picture identifier; -1 for none
    int width = -1;    // pixels for combo boxes and text fields; -1 for the default
    QKeySequence shortcut;
    BuiltIn builtIn = BuiltIn::None;
    QString band; // band shown or hidden by a BandToggle tool

    bool operator==(const Tool&) const = default;
    bool isSeparator() const { return kind == ToolKind::Separator; }
    // Caption without accelerator markers, or the name where the tool has no caption.
    QString displayName() const;
};

} // namespace tav::toolbars

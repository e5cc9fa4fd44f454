#pragma once
// Reads a stored layout (XML, format version 1) into a Layout. A malformed layout is
// refused with a VbError whose description names the source, the line and the fault.
// The tool collection may stand before or after the bands; before is faster, as the
// entries then resolve while they are read.
//
//   <layout version="1">
//     <images><imageset id="1" size="16" ids="10,11,12"/></images>
//     <tools>
//       <tool name="mnuFile" id="651" kind="button" caption="&amp;File"/>
//       <tool name="cboFont" id="638" kind="combo"><item text="Arial"/></tool>   (list entries)
//     </tools>
//     <bands>
//       <band name="mnuMain" caption="Main" kind="menubar">
//         <entry name="mnuFile" id="651" subband="popDwgFile"/>   (repeats only what differs)
//       </band>
//     </bands>
//   </layout>
//
// An entry names its definition by name and identifier; where no definition has both it
// takes the first one with its name and keeps its own identifier. Sub-bands and pictures
// that the layout does not carry are accepted. A combo box's list entries belong to its
// definition; every entry of the tool shows them.
#include "layout.h"
#include "vberror.h"

#include <QByteArray>
#include <QString>

namespace tav::toolbars {

class LayoutLoader {
  public:
    // The error number of a refused layout ("Error loading from file").
    static constexpr int32_t LoadError = err::ErrorLoadingFromFile;

    static Layout fromXml(const QByteArray& xml, const QString& sourceName);
    // Reads a file or a Qt resource (":/..."): XML, or the compact form (LayoutPack).
    static Layout fromFile(const QString& path);
};

} // namespace tav::toolbars

#include "storedlayout.h"

#include <QFile>

namespace tav::griddata {

namespace {

QString folderOf(GridProgram program) {
    return program == GridProgram::DataCheck ? QStringLiteral(":/griddata/datacheck/")
                                             : QStringLiteral(":/griddata/gridcheck/");
}

QByteArray resource(const QString& path) {
    QFile f(path);
    // An unreadable resource reads as empty, which the reader refuses as an empty document.
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

StoredDocuments storedDocuments(GridProgram program) {
    const QString folder = folderOf(program);
    return {resource(folder + QStringLiteral("styles.xml")),
            resource(folder + QStringLiteral("columns.xml")),
            resource(folder + QStringLiteral("valueitems.xml"))};
}

gridlayout::GridSettings storedSettings(GridProgram program) {
    return {program == GridProgram::DataCheck,
            QStringLiteral("Drag a column header here to group by that column")};
}

gridlayout::GridLayout storedLayout(GridProgram program) {
    const StoredDocuments docs = storedDocuments(program);
    return gridlayout::GridLayout::fromDocuments(docs.styles, docs.columns, docs.valueItems,
                                                 storedSettings(program));
}

void applyStoredLayout(datagrid::DataGrid& grid, GridProgram program) {
    applyLayoutDocuments(grid, storedDocuments(program), storedSettings(program));
}

void applyLayoutDocuments(datagrid::DataGrid& grid, const StoredDocuments& docs,
                          const gridlayout::GridSettings& settings) {
    if (!grid.loadGridLayout(docs.styles, docs.columns, docs.valueItems, settings))
        throw VbError(LayoutLoadError, QStringLiteral("DataGrid"),
                      QStringLiteral("Error loading from file ") + grid.layoutError());
}

} // namespace tav::griddata

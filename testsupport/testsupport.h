#pragma once
// Shared test helpers: a QApplication for every test binary (see testmain.cpp),
// temporary folders, fixture copies and message-box capture; with the helpers for files
// and raised errors, which have headers of their own.
#include "messagebox_testseams.h"
#include "raisederror.h"
#include "testfiles.h"

#include <QAccessible>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace tav::test {

// A temporary folder removed at the end of the test.
class TempDir {
  public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

  private:
    QTemporaryDir m_dir;
};

// The read-only shared fixtures folder (TAV_FIXTURES_DIR, by default ../shared/fixtures
// beside the source tree), or empty when unknown.
QString fixturesDir();

// Copies the shared fixture `name` (a path inside the fixtures folder, such as
// "access/x.accdb") into `dir` under its file name, writable, and returns the copy's path.
// Without the fixtures folder (a clone of the repository alone) the current test is skipped,
// naming the folder; with the folder but without the file, or when the copy fails, the test
// fails. Either way the result is empty, and the caller returns: `if (copy.isEmpty()) return;`.
QString copyFixture(const QString& name, const QString& dir);

// Records every message box shown while it lives and answers each with OK.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder();
    const std::vector<MessageBoxRequest>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

  private:
    std::vector<MessageBoxRequest> m_boxes;
    MessageBoxHandlerGuard m_guard;
};

// The first object of the accessibility tree below `root` (itself included) with this role
// and accessible name, as assistive technology would look it up; nullptr when none.
QAccessibleInterface* findAccessible(QObject* root, QAccessible::Role role, const QString& name);
// The accessible names of the children of `node`, in order.
QStringList accessibleChildNames(QAccessibleInterface* node);

// Picks `entry` in a combo box through its accessible interface only: press opens the list,
// the entry's list item is selected (toggle), press again picks it. Fails the current test
// when a step is not offered.
void pickAccessibly(QAccessibleInterface* combo, const QString& entry);

} // namespace tav::test

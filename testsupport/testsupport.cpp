#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>

namespace tav::test {

TempDir::TempDir() {
    m_dir.setAutoRemove(true);
}

QString fixturesDir() {
    return qEnvironmentVariable("TAV_FIXTURES_DIR");
}

QString copyFixture(const QString& name, const QString& dir) {
    const QString folder = fixturesDir();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        [&] {
            GTEST_SKIP() << "the sample files are not here: no folder '" << folder.toStdString()
                         << "' (set TAV_FIXTURES_DIR to the folder that holds nwind.mdb and "
                            "access/; see the README)";
        }();
        return {};
    }
    const QString src = QDir(folder).filePath(name);
    const QString dst = QDir(dir).filePath(QFileInfo(name).fileName());
    QFile::remove(dst);
    if (!QFile::copy(src, dst)) {
        [&] {
            FAIL() << "the sample file '" << src.toStdString() << "' cannot be copied to '"
                   << dst.toStdString() << "'";
        }();
        return {};
    }
    QFile::setPermissions(dst, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                   QFile::ReadOther);
    return dst;
}

MessageBoxRecorder::MessageBoxRecorder()
    : m_guard([this](const MessageBoxRequest& r) {
          m_boxes.push_back(r);
          return mb::OK;
      }) {}

QAccessibleInterface* findAccessible(QObject* root, QAccessible::Role role, const QString& name) {
    std::function<QAccessibleInterface*(QAccessibleInterface*, int)> walk =
        [&](QAccessibleInterface* node, int depth) -> QAccessibleInterface* {
        if (!node || depth > 64)
            return nullptr;
        if (node->role() == role && node->text(QAccessible::Name) == name)
            return node;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface* hit = walk(node->child(i), depth + 1))
                return hit;
        return nullptr;
    };
    return walk(QAccessible::queryAccessibleInterface(root), 0);
}

QStringList accessibleChildNames(QAccessibleInterface* node) {
    QStringList names;
    for (int i = 0; node && i < node->childCount(); ++i)
        names << (node->child(i) ? node->child(i)->text(QAccessible::Name)
                                 : QStringLiteral("<null>"));
    return names;
}

void pickAccessibly(QAccessibleInterface* combo, const QString& entry) {
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(combo->actionInterface(), nullptr);
    ASSERT_TRUE(combo->actionInterface()->actionNames().contains(
        QAccessibleActionInterface::pressAction()));
    combo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(combo->state().expanded) << "the list did not open";
    QAccessibleInterface* list = combo->child(0);
    ASSERT_NE(list, nullptr);
    QAccessibleInterface* item = nullptr;
    for (int i = 0; i < list->childCount() && !item; ++i)
        if (list->child(i) && list->child(i)->text(QAccessible::Name) == entry)
            item = list->child(i);
    ASSERT_NE(item, nullptr) << "no list item " << entry.toStdString();
    ASSERT_NE(item->actionInterface(), nullptr);
    item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    combo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(combo->state().expanded) << "the list stayed open";
}

} // namespace tav::test

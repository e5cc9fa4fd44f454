#include "cachedstyle.h"

#include <QGuiApplication>
#include <QStyleOption>
#include <QWidget>

namespace tav::toolbars {

QIcon CachedIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                    const QWidget* widget) const {
    // The toolbar extension buttons ask with an option that only carries their direction;
    // other icons asked with an option are drawn for one particular state: not cached.
    const bool directionOnly =
        icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton;
    if (option && !directionOnly)
        return QProxyStyle::standardIcon(icon, option, widget);
    // Some icons mirror for right-to-left layouts; keep one per direction.
    const Qt::LayoutDirection dir = option   ? option->direction
                                    : widget ? widget->layoutDirection()
                                             : QGuiApplication::layoutDirection();
    const int key = int(icon) * 2 + (dir == Qt::RightToLeft ? 1 : 0);
    auto it = m_icons.constFind(key);
    if (it != m_icons.constEnd())
        return *it;
    return *m_icons.insert(key, QProxyStyle::standardIcon(icon, option, widget));
}

} // namespace tav::toolbars

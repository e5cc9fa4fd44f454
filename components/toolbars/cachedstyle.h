#pragma once
// A proxy of the application style that keeps the standard icons it hands out. Every
// toolbar and menu bar asks for the same extension-arrow icons, which the base styles
// otherwise load afresh from their image files each time (three files per toolbar); a
// frame with many bands starts noticeably faster with this style installed.
#include <QHash>
#include <QProxyStyle>

namespace tav::toolbars {

class CachedIconStyle : public QProxyStyle {
    Q_OBJECT
  public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

  private:
    mutable QHash<int, QIcon> m_icons;
};

} // namespace tav::toolbars

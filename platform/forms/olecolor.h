#pragma once
// Colour values: RGB as 0x00BBGGRR (red in the low byte), or a system colour,
// 0x80000000 + index, mapped to the running desktop's palette.
#include <QColor>

#include <cstdint>
#include <optional>

namespace tav {

namespace syscolor {
inline constexpr uint32_t ScrollBar = 0x80000000, Desktop = 0x80000001, ActiveTitleBar = 0x80000002,
                          InactiveTitleBar = 0x80000003, MenuBar = 0x80000004,
                          WindowBackground = 0x80000005, WindowFrame = 0x80000006,
                          MenuText = 0x80000007, WindowText = 0x80000008, TitleBarText = 0x80000009,
                          ActiveBorder = 0x8000000A, InactiveBorder = 0x8000000B,
                          ApplicationWorkspace = 0x8000000C, Highlight = 0x8000000D,
                          HighlightText = 0x8000000E, ButtonFace = 0x8000000F,
                          ButtonShadow = 0x80000010, GrayText = 0x80000011, ButtonText = 0x80000012,
                          InactiveCaptionText = 0x80000013, ButtonHighlight = 0x80000014,
                          DarkShadow3D = 0x80000015, Light3D = 0x80000016, InfoText = 0x80000017,
                          InfoBackground = 0x80000018;
}

// RGB channels of a 0x00BBGGRR value; the high byte is ignored.
QColor rgbColor(uint32_t bgr);
// 0x00BBGGRR of a colour.
uint32_t toBgr(const QColor& c);

// Translates a colour value: RGB passes through, a known system colour maps to the
// palette; anything else gives nullopt.
std::optional<QColor> translateOleColor(uint32_t value);

// As translateOleColor, falling back to black for values that do not translate.
QColor oleColor(uint32_t value);

} // namespace tav

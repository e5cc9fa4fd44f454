#pragma once
// PropertyHelp: lines, texts, solid fills and vertical gradients on the device context
// its user hands it. Every pen and brush lives only inside one call.
#include "variant.h"

#include <QString>

#include <cstdint>

namespace tav::propcheck {

class PropertyHelp {
  public:
    static constexpr int32_t WindowBackground = int32_t(0x80000005);

    void drawline(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor,
                  int32_t lWidth = 1);

    // Draws strPrint in the rectangle (x, Y, x + width, Y + Height). When width or Height
    // is missing (nullptr) the text is measured first and both receive the measured size
    // (also written into whichever one the caller passed). The text colour is left as it
    // was, the background mode transparent.
    void DrawText(const QString& strPrint, int32_t x, int32_t Y, Variant* width = nullptr,
                  Variant* Height = nullptr, int32_t lColor = 0, int32_t TextAlign = 0,
                  bool bVCenter = true);

    void Fill(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor = WindowBackground);

    // One-pixel bands from lColor at the top towards lGradColor at the bottom. Raises 9 over a
    // height of 0 or less and 11 over a height of 1, before painting anything.
    void FillGrad(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor = WindowBackground,
                  int32_t lGradColor = 0);

    int32_t hDC() const { return m_hDC; }
    void hDC(int32_t vNewValue) { m_hDC = vNewValue; }

  private:
    static void GradientColors(VbArray<int32_t>& colours, int32_t lStart, int32_t lEnd);
    static int32_t TranslateColor(int32_t lColor);

    int32_t m_hDC = 0;
};

} // namespace tav::propcheck

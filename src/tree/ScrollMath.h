#pragma once

// Targets of the four half-page scrolling commands. Divisions truncate toward zero; a left scroll
// never asks for less than 1, an upward one never for less than 0.
namespace ScrollMath {

inline int left(int contentsX, int visibleWidth)
{
    const int x = contentsX - visibleWidth / 2;
    return x < 1 ? 1 : x;
}

inline int right(int contentsX, int visibleWidth, int contentsWidth)
{
    const int x = contentsX + visibleWidth / 2;
    const int limit = contentsWidth - visibleWidth + 1;
    return x > limit ? limit : x;
}

inline int up(int contentsY, int visibleHeight)
{
    const int y = contentsY - visibleHeight / 2;
    return y < 0 ? 0 : y;
}

inline int down(int contentsY, int visibleHeight, int contentsHeight)
{
    const int y = contentsY + visibleHeight / 2;
    const int limit = contentsHeight - visibleHeight + 1;
    return y > limit ? limit : y;
}

} // namespace ScrollMath

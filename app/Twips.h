#pragma once

// Window measures of the original layout are in twips: 15 twips make one pixel at 96 dpi.
constexpr int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

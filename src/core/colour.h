// Rgb: one colour as three bytes, shared by pictures, masks, settings and the
// colour chooser.
#pragma once

struct Rgb {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;

    bool operator==(const Rgb&) const = default;
};

// make_example_image FILE: writes the example image of the listing tests (the image the
// listing golden files were made from) for the end-to-end Save As scenarios.
#include <cstdio>

#include "gen/testsupport/ListingExample.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_image FILE\n");
        return 2;
    }
    const ImageResult r = listtest::WriteExample(argv[1]);
    if (!r.ok()) {
        std::fprintf(stderr, "make_example_image: %s: %s\n", argv[1], r.text.c_str());
        return 1;
    }
    return 0;
}

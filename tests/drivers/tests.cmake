# The PackBits tests check our packing against libtiff's PackBits codec too.
find_package(TIFF REQUIRED)
target_link_libraries(test_drivers PRIVATE TIFF::TIFF)

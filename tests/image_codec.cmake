# The codec test writes grayscale, CMYK and progressive JPEGs with libjpeg itself,
# so the decoder is checked against files its own encoder cannot make.
target_link_libraries(test_image_codec PRIVATE JPEG::JPEG)

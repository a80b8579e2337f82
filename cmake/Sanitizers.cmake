# ORANDU_SANITIZE builds every target with ASan and UBSan, stopping at the first report.
# ORANDU_BUILD_FUZZ does the same and adds libFuzzer's coverage instrumentation (clang only);
# the fuzz targets link libFuzzer itself.
if(ORANDU_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORANDU_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

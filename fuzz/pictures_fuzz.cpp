// Fuzzing harness for the picture loader (clang's libFuzzer): any bytes, as if read from a
// picked file, must decode or fail as "not a picture", within the loader's limits; metafiles
// go to the helper process as they do in the program. Inputs that find a fault belong in
// tests/corpus/pictures, which the tests load on every run.
//
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTAVOLY_FUZZ=ON
//   cmake --build build-fuzz --target pictures_fuzz
//   build-fuzz/pictures_fuzz -max_len=4096 -timeout=5 corpus_dir tests/corpus/pictures
#include "platform/failure.h"
#include "platform/pictures.h"
#include "platform/screen.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    platform::set_screen_size(platform::ScreenSize{1280 * 15, 800 * 15});
    platform::set_metafile_helper(TAVOLY_METAFILE_HELPER);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        platform::decode_picture(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const platform::StepError&) {
    }
    return 0;
}

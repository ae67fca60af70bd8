// Runs a fuzz target without libFuzzer over every file of the folders named on the command
// line. Fails when there was nothing to run; a broken promise aborts.
#include <QDirIterator>
#include <QFile>

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[]) {
    int ran = 0;
    for (int i = 1; i < argc; ++i)
        for (QDirIterator files(QFile::decodeName(argv[i]), QDir::Files | QDir::Hidden);
             files.hasNext(); ++ran) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
        }
    std::printf("%d inputs run\n", ran);
    return ran > 0 ? 0 : 1;
}

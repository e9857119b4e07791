// The window tests: every suite runs, the exit status says whether any failed.

#include <QApplication>

int runAccountMappingWindowTests(int argc, char** argv);
int runConvertWindowTests(int argc, char** argv);
int runDesktopTests(int argc, char** argv);
int runEveryWindowTests(int argc, char** argv);
int runMappingGridTests(int argc, char** argv);
int runNavigatorWindowTests(int argc, char** argv);
int runQtPortTests(int argc, char** argv);
int runSelectLedgerWindowTests(int argc, char** argv);
int runTaxMappingWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    for (auto* suite : {runAccountMappingWindowTests, runConvertWindowTests, runDesktopTests,
                        runEveryWindowTests, runMappingGridTests, runNavigatorWindowTests,
                        runQtPortTests, runSelectLedgerWindowTests, runTaxMappingWindowTests})
        failed += suite(argc, argv) != 0;
    return failed;
}

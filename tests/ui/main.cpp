// One program for the window's test classes; each runs in turn on one application object.
#include <QApplication>

int RunCaplinFormTest(int argc, char** argv);
int RunCaplinProcessTest(int argc, char** argv);
int RunBatchPageTest(int argc, char** argv);
int RunPagesLayoutTest(int argc, char** argv);
int RunBadInputTest(int argc, char** argv);
int RunWatchFolderPageTest(int argc, char** argv);
int RunPlaylistCheckPageTest(int argc, char** argv);
int RunDialogsTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    for (auto* run :
         {&RunCaplinFormTest, &RunCaplinProcessTest, &RunBatchPageTest, &RunPagesLayoutTest,
          &RunBadInputTest, &RunWatchFolderPageTest, &RunPlaylistCheckPageTest, &RunDialogsTest})
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}

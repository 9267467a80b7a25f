// zarntool: the desktop application for Zarn serial display modules.
#include "ui/qt/CResourceToolApp.h"

int main(int argc, char** argv)
{
    zarn::ui::CResourceToolApp app;
    return app.run(argc, argv);
}

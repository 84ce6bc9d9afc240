#include "TPlugInForm.h"

#include "PlugInHost.h"
#include "ProgramFolder.h"
#include "Settings.h"

namespace larkspin {

TPlugInForm::TPlugInForm(QWidget* mainWindow, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings..."));
    FormCreate(mainWindow);
}

TPlugInForm::~TPlugInForm() = default;

void TPlugInForm::FormCreate(QWidget* mainWindow) {
    const Settings& s = settings();
    PlugInHostOptions options;
    options.decoderFolder = programFolder() + "/PlugIn/Decoder";
    options.mainWindow = mainWindow ? static_cast<intptr_t>(mainWindow->winId()) : 0;
    options.DirectSound = s.DirectSound;
    options.PlayVolume = s.PlayVolume;
    options.StopTime = s.StopTime;
    host_ = std::make_unique<TPlugInHost>(options);
    host_->EnumeratePlugIns(settings().PlugCheck);
}

} // namespace larkspin

#include "app/shell/run_application.h"

#include "app/shell/application_main.h"
#include "twod/two_d.h"
#include "core/configuration.h"
#include "core/xml.h"

std::unique_ptr<ApplicationMain> startApplication(platform::Window& window, const String& applicationDirectory,
                                                  Dialogs& dialogs, SystemCursor& cursor,
                                                  const String& settingsDirectory) {
    String configPath = settingsDirectory.length() > 0 ? settingsDirectory : applicationDirectory;
    if (configPath.length() > 0 && configPath.text()[configPath.length() - 1] != '/') configPath.append('/');
    configPath.append(String("config.xml"));
    auto configuration = std::make_unique<XmlDocument>();
    configuration->parse(configPath);

    const WindowSize size = windowSizeFromConfiguration(*configuration, window.screenWidth(), window.screenHeight());
    auto application = std::make_unique<ApplicationMain>(window, size.width, size.height, std::move(configuration),
                                                         applicationDirectory, dialogs, cursor, settingsDirectory);
    if (!application->init()) return application;

    application->setCursor(kCursorArrow);
    application->twoD()->statusBar().setReady(true);
    // Files may be dropped on the window from now on (the desktop window
    // takes them without being asked).
    application->startUpdateCheck();
    return application;
}

int runApplication(platform::Window& window, const String& applicationDirectory, Dialogs& dialogs,
                   SystemCursor& cursor) {
    std::unique_ptr<ApplicationMain> application = startApplication(window, applicationDirectory, dialogs, cursor);
    const bool initialised = application->isInitialised();
    application->run();
    application.reset();
    return initialised ? 0 : 1;
}

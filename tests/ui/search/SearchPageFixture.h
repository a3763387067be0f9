#pragma once

#include "engine/EngineControllers.h"
#include "ui/search/page/DeepLookupVC.h"

#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QPushButton>

#include <memory>

// The search page over the engine as the program wires it, talking to a
// scripted search service on 127.0.0.1. SetUp starts the service and the
// engine; a test (or its fixture) then makes the page.
class SearchPageFixture : public ::testing::Test
{
public:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedHttpServer service;
    std::unique_ptr<EngineControllers> engine;
    std::unique_ptr<DeepLookupVC> page;

    bool idle() const { return page->buttonSearch()->isEnabled(); }

protected:
    void SetUp() override;
    void TearDown() override;

    // Runs once the service is up, before the engine starts: the replies
    // and settings the engine should find.
    virtual void beforeEngineStarts() {}

    // The page as the main window makes it, shown at that size.
    void createPage(int width, int height);
};

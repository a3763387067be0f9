#include "SearchPageFixture.h"

#include "search/DeepLookupSocket.h"

#include "support/EventLoop.h"

void SearchPageFixture::SetUp()
{
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    beforeEngineStarts();
    engine = std::make_unique<EngineControllers>();
    engine->initControllers();
}

void SearchPageFixture::TearDown()
{
    page.reset();
    engine.reset();
    spinEventLoop(20);
    DeepLookupSocket::setServiceURLForTesting(QUrl());
}

void SearchPageFixture::createPage(int width, int height)
{
    page = std::make_unique<DeepLookupVC>();
    page->setQueueController(engine->queueController());
    page->setDeepLookupController(engine->deepLookupController());
    page->resize(width, height);
    page->show();
}

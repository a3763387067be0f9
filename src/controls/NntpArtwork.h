#pragma once

// The images of the news-server windows: the result icons of the server
// test (passed, failed, no test possible), under the names the test's
// presenter gives them (ServerTestPresenter::kImage...).
class NntpArtwork
{
public:
    // Adds the images to the Artwork registry.
    static void registerImages();
};

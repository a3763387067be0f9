#pragma once

#include "nntp/NNTPServerObject.h"

#include <QWidget>

class QLabel;
class ViewColorBox;

// One item of the statistics page's legend: the server's colour and alias.
// Its width (5 points per character of the alias plus 50) is given by the
// page; the alias is cut with an ellipsis where it does not fit.
class ViewServerName : public QWidget
{
    Q_OBJECT
public:
    explicit ViewServerName(const QRect& frame, QWidget* parent = nullptr);

    void setNntpServer(const NNTPServerObjectPtr& server);
    NNTPServerObjectPtr nntpServer() const { return nntpServer_; }
    // Shows the server's colour and alias as they are now.
    void startBindings();

    ViewColorBox* colorBox() const { return colorBox_; }
    QLabel* aliasTextField() const { return aliasTextField_; }

    static int widthForAlias(const QString& alias);

private:
    NNTPServerObjectPtr nntpServer_;
    ViewColorBox* colorBox_;
    QLabel* aliasTextField_;
};

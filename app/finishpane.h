#pragma once

#include <QWidget>

namespace App {

/// The Finish pane: save the project for later, or publish it as a website.
class FinishPane : public QWidget
{
    Q_OBJECT
public:
    explicit FinishPane(QWidget *parent = nullptr);

signals:
    void saveRequested();
    void publishRequested();
    void helpRequested();
};

} // namespace App

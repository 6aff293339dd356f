#pragma once
#include <QWidget>

class BadWordList;
class QLineEdit;
class QListWidget;
class QPushButton;

// The bad-word editor "Bad Words List..": the list lstDirtyWords (a
// double-click removes an entry), txtWordAdd with "Add", and "Done", which
// hides the window. Changes act at once on every line shown afterwards.
class FrmLanguageList : public QWidget
{
    Q_OBJECT
public:
    explicit FrmLanguageList(BadWordList &words, QWidget *parent = nullptr);

    void cmdAddWord_Click();
    void cmdDone_Click();

    QListWidget *lstDirtyWords = nullptr;
    QLineEdit *txtWordAdd = nullptr;
    QPushButton *cmdAddWord = nullptr;
    QPushButton *cmdDone = nullptr;

private:
    void refill();

    BadWordList &m_words;
};

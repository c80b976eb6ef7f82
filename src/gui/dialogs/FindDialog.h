// CFindDialog: the modeless find dialog of the playlist: find only, always
// downwards, with a match-case option. It only reports requests; the frame
// searches.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui { class CFindDialog; }

class CFindDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CFindDialog(QWidget* parent = nullptr);
    ~CFindDialog() override;

    QString Text() const;
    bool MatchCase() const;
    void SetText(const QString& text);
    void SetMatchCase(bool on);

signals:
    void FindNext(const QString& text, bool matchCase);

private:
    std::unique_ptr<Ui::CFindDialog> m_ui;
};

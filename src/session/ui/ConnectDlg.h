#pragma once
// The Connect dialog: asks for a host and a port before a connection window opens (or a
// window reconnects). Its lists and all of its rules come from HostList; this class only
// keeps the widgets in step with them and knows whether the port field's text was chosen
// from the list or typed.

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "base/AppServices.h"
#include "session/HostList.h"

class QEvent;
class QString;

namespace Ui {
class CConnectDlg;
}

class CConnectDlg final : public QDialog {
    Q_OBJECT
public:
    CConnectDlg(CAppServices& services, QWidget* parent);
    ~CConnectDlg() override;
    CConnectDlg(const CConnectDlg&) = delete;
    CConnectDlg& operator=(const CConnectDlg&) = delete;

    // The choice, valid after exec() returned Accepted.
    std::string Host() const { return m_host; }
    unsigned Port() const { return m_port; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillLists();
    void OnOk();
    void OnHostChosen(int index);
    void OnHostEdited(const QString& text);
    void OnPortChosen(int index);
    void SelectPort(int index);
    void ShowConnectionOptions(const std::string& host);

    CAppServices& m_services;
    std::unique_ptr<Ui::CConnectDlg> m_ui;
    std::vector<HostList::Item> m_ports; // the port list as shown, for OK's typed-port rule
    // True while the port field shows the text of the current list item because it was
    // chosen (or preselected); typing makes it false.
    bool m_portChosen = false;
    std::string m_host;
    unsigned m_port = 0;
};

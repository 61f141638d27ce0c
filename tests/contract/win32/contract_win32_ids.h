// Identifiers of the win32 test dialogs.
#pragma once

#define IDD_TEST_MODAL 9001
#define IDD_TEST_PLACED 9002
#define IDD_TEST_SELF_CENTRED 9003
#define IDD_TEST_CHILD 9004

#define IDC_TEST_RADIO_A 9101
#define IDC_TEST_RADIO_B 9102
#define IDC_TEST_RADIO_C 9103
#define IDC_TEST_CHECK 9104
#define IDC_TEST_LABEL 9105
#define IDC_TEST_EDIT 9106
#define IDC_TEST_GO 9107

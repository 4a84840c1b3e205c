; PIC16F876A: a table near the top of program memory and 256 bytes of data EEPROM.
        LIST    P=16F876A, R=DEC
        #include <p16f876a.inc>
        __CONFIG _CP_OFF & _DEBUG_OFF & _WRT_OFF & _CPD_OFF & _LVP_OFF & _BODEN_ON & _PWRTE_ON & _WDT_OFF & _HS_OSC
        __IDLOCS H'876A'

        ORG     0x000
        clrf    PCLATH
        goto    main

main:   banksel TRISB
        clrf    TRISB
        banksel PORTB
        movlw   0x1F
        movwf   PCLATH
        movlw   0x00
        call    table
        clrf    PCLATH
        movwf   PORTB
        goto    $

        ORG     0x1FF0
table:  addwf   PCL, F
        retlw   0x3C
        retlw   0x5A

        ORG     0x2100
        DE      "876A"
ee_i    SET     0x04
        WHILE   ee_i < 0xFF
        DE      ee_i
ee_i    SET     ee_i + 1
        ENDW
        DE      0x99            ; last EEPROM byte, 0xFF
        END

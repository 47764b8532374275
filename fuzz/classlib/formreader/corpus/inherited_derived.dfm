inherited frmDerived: TFuzzDerivedForm
  Caption = 'Derived'
  inherited pnlMain: TFuzzWidget
    Width = 250
    inherited btnOk: TFuzzWidget
      OnClick = nil
    end
    object lblNew: TFuzzWidget
      Buddy = frmDerived.btnOk
    end
  end
end

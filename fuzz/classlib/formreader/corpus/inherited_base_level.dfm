inherited frmBase: TFuzzBaseForm
  inherited pnlMain: TFuzzWidget
    Items = <>
    object extra: TFuzzWidget
      Buddy = btnOk
    end
  end
  inherited btnOk: TFuzzWidget
    Lines.Strings = ()
  end
end
